#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstdint>

// Zips joined from parts written apart. The zip component writes a zip as its entries' local
// records (header and data) back to back from offset 0, then one central record per entry,
// then the end record and the comment. So the zip of entries A and B is the zip of A with its
// central directory and end record replaced by B's local records, A's and B's central records
// (B's local offsets moved on by the length of A's) and a new end record: byte for byte the
// zip the component makes of A and B in one call. Only that plain form is read: one disk,
// no Zip64 record, no data descriptor.

inline constexpr qint64 kZipEndRecordSize = 22;
inline constexpr qint64 kZipLocalHeaderSize = 30;

// One entry's central record, as written, with the fields the joining reads.
struct ZipRecord {
    QByteArray bytes;
    QByteArray name;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint32_t localOffset = 0;
};

struct ZipParts {
    qint64 localSize = 0; // the local records: offset 0 up to the central directory
    QList<ZipRecord> records;
    QByteArray comment;
};

// Reads the central directory, the end record and the comment of a zip whose end record is
// at endOffset. bytes holds the file from offset `from` (at most localSize) to its end.
// Refuses, with *error, anything but the plain form, and records that do not lie back to
// back from offset 0 or that disagree with the end record.
bool readZipParts(QByteArrayView bytes, qint64 from, qint64 endOffset, ZipParts* parts,
                  QString* error);

// Whether header, the first bytes of an entry's local record, is the local header of the
// record (same name, method, CRC and sizes, no data descriptor); *length is then the length
// of its whole local record, header and data.
bool matchLocalHeader(QByteArrayView header, const ZipRecord& record, qint64* length,
                      QString* error);
// The length of a local header with its name and extra field, from its first 30 bytes; 0
// when they are not a local header.
qint64 localHeaderLength(QByteArrayView first30);

// A central record whose local record lies `by` bytes further on; false when the offset
// would not fit the plain form.
bool moveRecord(ZipRecord& record, qint64 by);

// Little-endian fields written into b at a byte offset, as every zip record holds them.
void put16(QByteArray& b, qint64 at, uint16_t v);
void put32(QByteArray& b, qint64 at, uint32_t v);

// The central directory of records and the end record with the comment, for a zip whose
// local records take localSize bytes.
QByteArray centralAndEnd(const QList<ZipRecord>& records, qint64 localSize, QByteArrayView comment,
                         QString* error);
