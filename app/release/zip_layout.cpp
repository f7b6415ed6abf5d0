#include "release/zip_layout.h"

#include "job/text_lines.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {

constexpr qint64 kEndRecord = 22;
constexpr qint64 kEnd64Locator = 20;
constexpr qint64 kLocalHeader = 30;
constexpr qint64 kCentralHeader = 46;
// A central directory this big belongs to no zip of a set.
constexpr qint64 kMaxDirectoryBytes = 16 * 1024 * 1024;
constexpr quint16 kZip64Extra = 0x0001;
constexpr quint16 kHasDescriptor = 0x0008;

quint64 le(const char* p, int bytes) {
    quint64 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | quint64(uchar(p[i]));
    return value;
}

bool readAt(int fd, qint64 offset, qint64 length, QByteArray* out) {
    out->resize(qsizetype(length));
    qint64 done = 0;
    while (done < length) {
        const ssize_t n =
            ::pread(fd, out->data() + done, size_t(length - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// The sizes and offset a header gives, with its zip64 extra field filling those at their
// limit.
struct Sizes {
    quint64 crc = 0;
    quint64 compressed = 0;
    quint64 size = 0;
    quint64 offset = 0;
    bool zip64 = false;
};

void applyZip64(QByteArrayView extra, Sizes& s, bool withOffset) {
    for (qsizetype at = 0; at + 4 <= extra.size();) {
        const quint16 id = quint16(le(extra.data() + at, 2));
        const qsizetype length = qsizetype(le(extra.data() + at + 2, 2));
        if (at + 4 + length > extra.size())
            return;
        if (id == kZip64Extra) {
            s.zip64 = true;
            const char* p = extra.data() + at + 4;
            qsizetype used = 0;
            for (quint64* field : {&s.size, &s.compressed, &s.offset}) {
                if (field == &s.offset && !withOffset)
                    break;
                if (*field == 0xFFFFFFFF && used + 8 <= length) {
                    *field = le(p + used, 8);
                    used += 8;
                }
            }
        }
        at += 4 + length;
    }
}

QString shown(const QByteArray& name) {
    return printableText(QString::fromUtf8(name));
}

QString part(const QByteArray& name) {
    return QStringLiteral("the data of %1").arg(shown(name));
}

struct EndRecords {
    qint64 start = 0; // where the first end record begins (zip64 or not)
    quint64 entries = 0;
    quint64 directorySize = 0;
    quint64 directoryOffset = 0;
};

// The end record whose comment reaches exactly to the end of the file, and the zip64 records
// before it when its fields are at their limits.
std::optional<EndRecords> endRecords(int fd, qint64 fileSize, ZipLayout& layout) {
    const qint64 tailSize = qMin<qint64>(fileSize, kEndRecord + 0xFFFF);
    QByteArray tail;
    if (tailSize < kEndRecord || !readAt(fd, fileSize - tailSize, tailSize, &tail))
        return std::nullopt;
    for (qsizetype at = tail.size() - kEndRecord; at >= 0; --at) {
        const char* p = tail.constData() + at;
        if (std::memcmp(p, "PK\x05\x06", 4) != 0 ||
            at + kEndRecord + qsizetype(le(p + 20, 2)) != tail.size())
            continue;
        EndRecords end;
        end.start = fileSize - tailSize + at;
        end.entries = le(p + 10, 2);
        end.directorySize = le(p + 12, 4);
        end.directoryOffset = le(p + 16, 4);
        layout.comment = tail.mid(at + kEndRecord);
        if (le(p + 4, 2) != 0 || le(p + 6, 2) != 0)
            layout.faults << QStringLiteral("is one part of a zip spanning several disks");
        const bool zip64 = end.entries == 0xFFFF || end.directorySize == 0xFFFFFFFF ||
                           end.directoryOffset == 0xFFFFFFFF;
        if (!zip64)
            return end;
        QByteArray locator, record;
        if (end.start < kEnd64Locator ||
            !readAt(fd, end.start - kEnd64Locator, kEnd64Locator, &locator) ||
            std::memcmp(locator.constData(), "PK\x06\x07", 4) != 0)
            return std::nullopt;
        const qint64 recordAt = qint64(le(locator.constData() + 8, 8));
        if (recordAt < 0 || recordAt + 56 > end.start - kEnd64Locator ||
            !readAt(fd, recordAt, 56, &record) ||
            std::memcmp(record.constData(), "PK\x06\x06", 4) != 0)
            return std::nullopt;
        if (recordAt + 12 + qint64(le(record.constData() + 4, 8)) != end.start - kEnd64Locator)
            layout.faults << QStringLiteral("holds bytes between its zip64 end records");
        end.start = recordAt;
        end.entries = le(record.constData() + 32, 8);
        end.directorySize = le(record.constData() + 40, 8);
        end.directoryOffset = le(record.constData() + 48, 8);
        return end;
    }
    return std::nullopt;
}

// One entry's local header and data descriptor held against its directory record; its
// place in the file.
void layOut(int fd, qint64 fileSize, const Sizes& central, quint16 flags, quint64 method,
            LaidOutEntry& e, ZipLayout& layout) {
    QByteArray header;
    if (qint64(central.offset) + kLocalHeader > fileSize ||
        !readAt(fd, qint64(central.offset), kLocalHeader, &header) ||
        std::memcmp(header.constData(), "PK\x03\x04", 4) != 0) {
        layout.faults << QStringLiteral("the local header of %1 is missing").arg(shown(e.name));
        e.end = e.dataOffset = e.headerOffset;
        return;
    }
    const char* h = header.constData();
    const qint64 nameSize = qint64(le(h + 26, 2)), extraSize = qint64(le(h + 28, 2));
    QByteArray nameAndExtra;
    if (!readAt(fd, e.headerOffset + kLocalHeader, nameSize + extraSize, &nameAndExtra)) {
        layout.faults << QStringLiteral("the local header of %1 is cut short").arg(shown(e.name));
        e.end = e.dataOffset = fileSize;
        return;
    }
    if (nameAndExtra.first(nameSize) != e.name)
        layout.faults << QStringLiteral("the local header of %1 names it %2")
                             .arg(shown(e.name), shown(nameAndExtra.first(nameSize)));
    Sizes local;
    local.crc = le(h + 14, 4);
    local.compressed = le(h + 18, 4);
    local.size = le(h + 22, 4);
    applyZip64(QByteArrayView(nameAndExtra).sliced(nameSize), local, false);
    e.dataOffset = e.headerOffset + kLocalHeader + nameSize + extraSize;
    e.end = e.dataOffset + qint64(central.compressed);
    const quint16 localFlags = quint16(le(h + 6, 2));
    if ((localFlags & kHasDescriptor) != (flags & kHasDescriptor))
        layout.faults << QStringLiteral("the local header of %1 and the directory disagree "
                                        "whether a data descriptor follows it")
                             .arg(shown(e.name));
    if (le(h + 8, 2) != method)
        layout.faults << QStringLiteral("the local header of %1 names another compression "
                                        "method than the directory")
                             .arg(shown(e.name));
    if ((localFlags & kHasDescriptor) == 0) {
        if (local.crc != central.crc || local.compressed != central.compressed ||
            local.size != central.size)
            layout.faults << QStringLiteral("the local header of %1 says CRC %2, %3 bytes (%4 "
                                            "compressed) where the directory says CRC %5, %6 "
                                            "bytes (%7)")
                                 .arg(shown(e.name))
                                 .arg(local.crc, 8, 16, QLatin1Char('0'))
                                 .arg(local.size)
                                 .arg(local.compressed)
                                 .arg(central.crc, 8, 16, QLatin1Char('0'))
                                 .arg(central.size)
                                 .arg(central.compressed);
        return;
    }
    // The data descriptor: CRC and both sizes, after an optional signature.
    const bool wide = local.zip64 || central.zip64;
    QByteArray descriptor;
    const qint64 bare = wide ? 20 : 12;
    if (e.end + bare > fileSize ||
        !readAt(fd, e.end, qMin<qint64>(bare + 4, fileSize - e.end), &descriptor)) {
        layout.faults << QStringLiteral("the data descriptor of %1 is missing").arg(shown(e.name));
        e.end = fileSize;
        return;
    }
    const bool withSignature =
        std::memcmp(descriptor.constData(), "PK\x07\x08", 4) == 0 && descriptor.size() >= bare + 4;
    const char* d = descriptor.constData() + (withSignature ? 4 : 0);
    const int width = wide ? 8 : 4;
    const quint64 crc = le(d, 4), compressed = le(d + 4, width), size = le(d + 4 + width, width);
    e.end += bare + (withSignature ? 4 : 0);
    if (crc != central.crc || compressed != central.compressed || size != central.size)
        layout.faults << QStringLiteral("the data descriptor of %1 says CRC %2, %3 bytes (%4 "
                                        "compressed) where the directory says CRC %5, %6 bytes "
                                        "(%7)")
                             .arg(shown(e.name))
                             .arg(crc, 8, 16, QLatin1Char('0'))
                             .arg(size)
                             .arg(compressed)
                             .arg(central.crc, 8, 16, QLatin1Char('0'))
                             .arg(central.size)
                             .arg(central.compressed);
}

// Every byte from the start to the end records covered once: entries, then the directory.
void checkCoverage(const ZipLayout& layout, const EndRecords& end, QStringList& faults) {
    QList<const LaidOutEntry*> byPlace;
    for (const LaidOutEntry& e : layout.entries)
        byPlace << &e;
    std::stable_sort(byPlace.begin(), byPlace.end(), [](const auto* a, const auto* b) {
        return a->headerOffset < b->headerOffset;
    });
    qint64 covered = 0;
    QString before;
    auto next = [&](qint64 start, qint64 stop, const QString& what) {
        if (start > covered)
            faults << (before.isEmpty()
                           ? QStringLiteral("holds %1 bytes before its first entry, which no "
                                            "entry covers")
                                 .arg(start)
                           : QStringLiteral("holds %1 bytes after %2 that no entry covers")
                                 .arg(start - covered)
                                 .arg(before));
        else if (start < covered)
            faults << QStringLiteral("%1 overlaps %2 (overlapped components)").arg(before, what);
        covered = qMax(covered, stop);
        before = what;
    };
    for (const LaidOutEntry* e : byPlace)
        next(e->headerOffset, e->end, part(e->name));
    next(qint64(end.directoryOffset), qint64(end.directoryOffset + end.directorySize),
         QStringLiteral("the central directory"));
    next(end.start, end.start, QStringLiteral("the end record"));
}

} // namespace

ZipLayout readZipLayout(int fd, qint64 fileSize) {
    ZipLayout layout;
    const std::optional<EndRecords> end = endRecords(fd, fileSize, layout);
    QByteArray directory;
    if (!end || end->directorySize > quint64(kMaxDirectoryBytes) ||
        end->directoryOffset + end->directorySize > quint64(end->start) ||
        !readAt(fd, qint64(end->directoryOffset), qint64(end->directorySize), &directory))
        return layout;
    qsizetype at = 0;
    for (quint64 i = 0; i < end->entries; ++i) {
        const char* p = directory.constData() + at;
        if (at + kCentralHeader > directory.size() || std::memcmp(p, "PK\x01\x02", 4) != 0)
            return layout;
        const qsizetype nameSize = qsizetype(le(p + 28, 2)), extraSize = qsizetype(le(p + 30, 2)),
                        next =
                            at + kCentralHeader + nameSize + extraSize + qsizetype(le(p + 32, 2));
        if (next > directory.size())
            return layout;
        Sizes central;
        central.crc = le(p + 16, 4);
        central.compressed = le(p + 20, 4);
        central.size = le(p + 24, 4);
        central.offset = le(p + 42, 4);
        applyZip64(QByteArrayView(directory).sliced(at + kCentralHeader + nameSize, extraSize),
                   central, true);
        LaidOutEntry e;
        e.name = directory.mid(at + kCentralHeader, nameSize);
        e.headerOffset = qint64(central.offset);
        layOut(fd, fileSize, central, quint16(le(p + 8, 2)), le(p + 10, 2), e, layout);
        layout.entries << e;
        at = next;
    }
    if (at != directory.size())
        layout.faults << QStringLiteral("its central directory holds %1 bytes more than its "
                                        "entries")
                             .arg(directory.size() - at);
    layout.read = true;
    checkCoverage(layout, *end, layout.faults);
    return layout;
}
