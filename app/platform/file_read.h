#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Reads the whole of a file that has to be a regular file of at most maxBytes: scripts,
// lists, settings and companion files. A FIFO, a device or a folder in its place is refused
// without being read (a FIFO would block for ever, /dev/zero never ends). False with a clear
// *error naming the path and the fault.
bool readRegularFile(const QString& path, qint64 maxBytes, QByteArray* bytes, QString* error);

// The bytes of every regular file in a folder and below it, links not followed: what a
// folder adds to a source measured whole.
qint64 treeFileBytes(const QString& folder);

// The CRC32 of a regular file's bytes; refuses anything else (a FIFO, a device, a folder)
// without reading it. False with *error naming the path and the fault.
bool fileCrc32(const QString& path, quint32* crc, QString* error);
// The CRC32 of bytes in memory, as fileCrc32 reckons it.
quint32 bytesCrc32(QByteArrayView bytes);
// "1A2B3C4D"
QString crcText(quint32 crc);

// Writes name in folder in one step: the bytes go to a new file beside it (never opened
// through a link), reach the disk, and are renamed over name, so a reader finds the old
// file or the new one whole, never half of one. False with *error naming the fault.
// Whether path names a regular file itself: a link is not followed, so a link is not one.
bool isRegularFileNoLink(const QString& path);

// Writes every byte to fd, going on after an interrupted write; false with errno set when a
// write fails.
bool writeAll(int fd, QByteArrayView bytes);

bool writeFileAtomically(const QString& folder, const QString& name, const QByteArray& bytes,
                         QString* error);
