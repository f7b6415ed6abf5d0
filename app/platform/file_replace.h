#pragma once

#include <QByteArray>
#include <QString>

// Writers into a folder that is not the program's own (the zip folder), where a name may be
// held by a link to somebody else's file. Nothing is written through a link: a new file is
// made beside the name (created exclusively, so never through a link) and renamed over it.
// Whatever held the name goes, a link itself and never what it points to; a folder in its
// place is refused.

// Writes bytes as the file path in one step: no reader ever sees half of it. False with
// *error naming path and the fault ("No space left on device").
bool replaceFileContents(const QString& path, const QByteArray& bytes, QString* error);

// Moves the file from into the name to, which it replaces as above (both on one file
// system). False with *error naming to and the fault.
bool moveOverName(const QString& from, const QString& to, QString* error);
