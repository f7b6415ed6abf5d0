#pragma once

#include <QByteArray>
#include <QString>

// Reads the whole of a file that has to be a regular file of at most maxBytes: scripts,
// lists, settings and companion files. A FIFO, a device or a folder in its place is refused
// without being read (a FIFO would block for ever, /dev/zero never ends). False with a clear
// *error naming the path and the fault.
bool readRegularFile(const QString& path, qint64 maxBytes, QByteArray* bytes, QString* error);

// The bytes of every regular file in a folder and below it, links not followed: what a
// folder adds to a source measured whole.
qint64 treeFileBytes(const QString& folder);
