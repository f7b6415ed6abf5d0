#pragma once

#include <QString>
#include <QStringList>

// Single-byte text files, read and written line by line. A line read ends at CR LF, a lone
// CR or a lone LF (files made by editors on this platform end their lines with LF); every
// line written ends with CR LF, the last one too. Bytes are kept as they are (Latin-1).

// Largest companion file read; anything bigger is not a text file of ours.
inline constexpr qint64 kMaxCompanionBytes = 16 * 1024 * 1024;

// Reads all lines of path. False with a clear text in *error when the file cannot be read
// or is larger than maxBytes.
bool readTextLines(const QString& path, QStringList* lines, QString* error,
                   qint64 maxBytes = kMaxCompanionBytes);

// Creates or replaces path with the lines, each followed by CR LF.
bool writeTextLines(const QString& path, const QStringList& lines, QString* error);
