#include "engine/zip_splice.h"

#include <limits>

namespace {

constexpr qint64 kCentralRecordSize = 46;
constexpr uint16_t kDataDescriptorFlag = 0x0008;
constexpr uint32_t kMax32 = std::numeric_limits<uint32_t>::max();

uint16_t le16(QByteArrayView b, qint64 at) {
    return uint16_t(uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8));
}
uint32_t le32(QByteArrayView b, qint64 at) {
    return uint32_t(le16(b, at)) | (uint32_t(le16(b, at + 2)) << 16);
}

bool fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

} // namespace

void put16(QByteArray& b, qint64 at, uint16_t v) {
    b[at] = char(v & 0xff);
    b[at + 1] = char(v >> 8);
}
void put32(QByteArray& b, qint64 at, uint32_t v) {
    put16(b, at, uint16_t(v & 0xffff));
    put16(b, at + 2, uint16_t(v >> 16));
}

bool readZipParts(QByteArrayView bytes, qint64 from, qint64 endOffset, ZipParts* parts,
                  QString* error) {
    const qint64 endAt = endOffset - from;
    if (from < 0 || endAt < 0 || endAt + kZipEndRecordSize > bytes.size() ||
        le32(bytes, endAt) != 0x06054b50)
        return fail(error, QStringLiteral("no end record where it was written"));
    const uint16_t disk = le16(bytes, endAt + 4), centralDisk = le16(bytes, endAt + 6);
    const uint16_t here = le16(bytes, endAt + 8), entries = le16(bytes, endAt + 10);
    const uint32_t centralSize = le32(bytes, endAt + 12), centralOffset = le32(bytes, endAt + 16);
    const uint16_t commentLength = le16(bytes, endAt + 20);
    if (disk != 0 || centralDisk != 0 || here != entries || entries == 0xffff ||
        centralSize == kMax32 || centralOffset == kMax32)
        return fail(error, QStringLiteral("not a plain one-disk zip"));
    if (endAt + kZipEndRecordSize + commentLength != bytes.size())
        return fail(error, QStringLiteral("its comment does not end the file"));
    if (qint64(centralOffset) + centralSize != endOffset || qint64(centralOffset) < from)
        return fail(error, QStringLiteral("its central directory does not end at the end record"));

    ZipParts read;
    read.localSize = centralOffset;
    read.comment = bytes.sliced(endAt + kZipEndRecordSize).toByteArray();
    qint64 at = centralOffset - from;
    qint64 expectedOffset = 0;
    for (int i = 0; i < entries; ++i) {
        if (at + kCentralRecordSize > endAt || le32(bytes, at) != 0x02014b50)
            return fail(error, QStringLiteral("central record %1 is missing").arg(i + 1));
        const qint64 length =
            kCentralRecordSize + le16(bytes, at + 28) + le16(bytes, at + 30) + le16(bytes, at + 32);
        if (at + length > endAt)
            return fail(error, QStringLiteral("central record %1 runs on").arg(i + 1));
        ZipRecord r;
        r.bytes = bytes.sliced(at, length).toByteArray();
        r.name = bytes.sliced(at + kCentralRecordSize, le16(bytes, at + 28)).toByteArray();
        r.method = le16(bytes, at + 10);
        r.crc = le32(bytes, at + 16);
        r.compressedSize = le32(bytes, at + 20);
        r.size = le32(bytes, at + 24);
        r.localOffset = le32(bytes, at + 42);
        const uint16_t flags = le16(bytes, at + 8);
        if ((flags & kDataDescriptorFlag) || le16(bytes, at + 34) != 0 ||
            r.compressedSize == kMax32 || r.size == kMax32 || r.localOffset == kMax32)
            return fail(error, QStringLiteral("central record %1 is not plain").arg(i + 1));
        // Local records back to back: each begins where the one before ended. Its length is
        // only known from its header, which the caller checks; here the order and the first.
        if ((i == 0 && r.localOffset != 0) || qint64(r.localOffset) < expectedOffset)
            return fail(error,
                        QStringLiteral("local record %1 is not where it belongs").arg(i + 1));
        expectedOffset =
            qint64(r.localOffset) + kZipLocalHeaderSize + r.name.size() + r.compressedSize;
        read.records << r;
        at += length;
    }
    if (at != endAt)
        return fail(error, QStringLiteral("the central directory holds more than its records"));
    if (expectedOffset > read.localSize)
        return fail(error, QStringLiteral("the local records run into the central directory"));
    *parts = read;
    return true;
}

qint64 localHeaderLength(QByteArrayView first30) {
    if (first30.size() < kZipLocalHeaderSize || le32(first30, 0) != 0x04034b50)
        return 0;
    return kZipLocalHeaderSize + le16(first30, 26) + le16(first30, 28);
}

bool matchLocalHeader(QByteArrayView header, const ZipRecord& record, qint64* length,
                      QString* error) {
    const qint64 headerLength = localHeaderLength(header);
    if (headerLength == 0 || header.size() < headerLength)
        return fail(error, QStringLiteral("no local header"));
    if ((le16(header, 6) & kDataDescriptorFlag) || le16(header, 8) != record.method ||
        le32(header, 14) != record.crc || le32(header, 18) != record.compressedSize ||
        le32(header, 22) != record.size ||
        header.sliced(kZipLocalHeaderSize, le16(header, 26)) != record.name)
        return fail(error, QStringLiteral("the local header of %1 does not match its central "
                                          "record")
                               .arg(QString::fromUtf8(record.name)));
    *length = headerLength + record.compressedSize;
    return true;
}

bool moveRecord(ZipRecord& record, qint64 by) {
    const qint64 moved = qint64(record.localOffset) + by;
    if (moved < 0 || moved >= qint64(kMax32))
        return false;
    record.localOffset = uint32_t(moved);
    put32(record.bytes, 42, record.localOffset);
    return true;
}

QByteArray centralAndEnd(const QList<ZipRecord>& records, qint64 localSize, QByteArrayView comment,
                         QString* error) {
    QByteArray out;
    for (const ZipRecord& r : records)
        out += r.bytes;
    const qint64 centralSize = out.size();
    if (records.size() >= 0xffff || localSize + centralSize >= qint64(kMax32) ||
        comment.size() > 0xffff) {
        fail(error, QStringLiteral("the joined zip would need Zip64 records"));
        return {};
    }
    QByteArray end(kZipEndRecordSize, '\0');
    put32(end, 0, 0x06054b50);
    put16(end, 8, uint16_t(records.size()));
    put16(end, 10, uint16_t(records.size()));
    put32(end, 12, uint32_t(centralSize));
    put32(end, 16, uint32_t(localSize));
    put16(end, 20, uint16_t(comment.size()));
    return out + end + comment.toByteArray();
}
