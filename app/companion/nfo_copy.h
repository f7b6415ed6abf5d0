#pragma once

#include <QString>
#include <QStringList>

// The tag line every nfo of ours carries, and the 40 characters that recognise it.
QString nfoTagLine();   // 28 blanks + "Packaged with Kavel32 by QXV"
QString nfoTagPrefix(); // 28 blanks + "Packaged wit"

// Name of the tagged copy: the part of NfoFile after its last separator (empty for none).
QString nfoCopyName(const QString& nfoFile);
// Where the tagged copy is written: the work folder's zip copies + nfoCopyName.
QString nfoCopyPath(const QString& nfoFile);

// Writes the tagged copy of nfoFile to copyPath (nfoCopyPath() by default): every line up to
// and including a line that starts with the tag prefix; when no line does, all lines, a
// blank line and the tag line. The user's nfo is only read. False with *errorText when it
// cannot be read, the copy cannot be written, or the copy would replace the nfo itself or
// the numbered diz.
bool makeTaggedNfoCopy(const QString& nfoFile, QString* errorText = nullptr,
                       const QString& copyPath = {});

// The tagged copy's lines made from the nfo's: every line up to and including the first that
// starts with the tag prefix; when none does, all lines, a blank line and the tag line.
QStringList taggedNfoLines(const QStringList& lines);
