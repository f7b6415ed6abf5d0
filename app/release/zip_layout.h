#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// A zip file's bytes laid out as the strictest receiver's unzip reads them: from the first
// byte on, every entry's local header, its data and its data descriptor, one after the
// other; then the central directory, the end records and the comment, which ends the file.
// Bytes before the first entry or between two parts, and bytes two parts both claim, are
// what "unzip -t" refuses ("extra bytes at beginning", "overlapped components"); a local
// header or a data descriptor that tells another story than the directory is damage too.

struct LaidOutEntry {
    QByteArray name;         // as the directory holds it
    qint64 headerOffset = 0; // its local header
    qint64 dataOffset = 0;   // its data
    qint64 end = 0;          // past its data and its data descriptor
};

struct ZipLayout {
    bool read = false;           // the end record and the directory could be read
    QList<LaidOutEntry> entries; // in directory order (libzip's indexes)
    QByteArray comment;          // the zip's comment, as its bytes
    QStringList faults;          // every part out of place, or told twice and differently
};

// Reads the layout of the zip open on fd (fileSize bytes), reading only its records.
ZipLayout readZipLayout(int fd, qint64 fileSize);
