#pragma once

#include <QString>
#include <QStringList>

// The tag line every nfo of ours carries, and the 40 characters that recognise it.
QString nfoTagLine();   // 28 blanks + "Packaged with Kavel32 by QXV"
QString nfoTagPrefix(); // 28 blanks + "Packaged wit"

// Name of the tagged copy: the part of NfoFile after its last separator (empty for none).
QString nfoCopyName(const QString& nfoFile);

// The tagged copy's lines made from the nfo's: every line up to and including the first that
// starts with the tag prefix; when none does, all lines, a blank line and the tag line.
QStringList taggedNfoLines(const QStringList& lines);
