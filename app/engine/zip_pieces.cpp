#include "engine/zip_pieces.h"

#include "engine/run_journal.h"
#include "engine/run_plan.h"
#include "engine/store_judgement.h"
#include "engine/zip_component.h"
#include "platform/file_read.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"
#include "platform/source_date.h"

#include <QFile>
#include <QScopeGuard>
#include <QSet>

#include <libdeflate.h>
#include <zip.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kReadChunk = 1 << 20;

bool fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

QString systemError() {
    return QString::fromLocal8Bit(strerror(errno));
}

// An open file that closes itself.
class Fd {
  public:
    // A file made is readable and writable by all that the umask lets, as libzip makes zips.
    Fd(const QString& path, int flags)
        : fd_(::open(QFile::encodeName(path).constData(), flags, 0666)) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

  private:
    int fd_;
};

bool readAt(int fd, qint64 offset, qint64 length, QByteArray* bytes) {
    bytes->resize(length);
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, bytes->data() + done, size_t(length - done), offset + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += got;
    }
    return true;
}

bool writeAt(int fd, qint64 offset, QByteArrayView bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t put =
            ::pwrite(fd, bytes.data() + done, size_t(bytes.size() - done), offset + done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

// Copies length bytes from one file into another at the offsets, in the kernel where it can.
bool copyRange(int from, qint64 fromOffset, int to, qint64 toOffset, qint64 length) {
    loff_t in = fromOffset, out = toOffset;
    qint64 left = length;
    while (left > 0) {
        const ssize_t done = ::copy_file_range(from, &in, to, &out, size_t(left), 0);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            break;
        left -= done;
    }
    QByteArray buffer;
    while (left > 0) {
        const qint64 n = std::min(left, kReadChunk);
        if (!readAt(from, in, n, &buffer) || !writeAt(to, out, buffer))
            return false;
        in += n;
        out += n;
        left -= n;
    }
    return true;
}

qint64 modifiedNs(const struct stat& st) {
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// Reads length bytes at offset of a zip, from a file or from memory.
using ReadZip = std::function<bool(qint64 offset, qint64 length, QByteArray* bytes)>;

ReadZip fileReader(int fd) {
    return [fd](qint64 offset, qint64 length, QByteArray* bytes) {
        return readAt(fd, offset, length, bytes);
    };
}

ReadZip memoryReader(const QByteArray& zip) {
    return [&zip](qint64 offset, qint64 length, QByteArray* bytes) {
        if (offset < 0 || length < 0 || offset + length > zip.size())
            return false;
        *bytes = zip.mid(offset, length);
        return true;
    };
}

// The end record and central directory of a zip that has no comment (yet), as the zip
// component wrote it, and its first local header checked against them.
bool readFreshZip(const ReadZip& read, qint64 size, ZipParts* parts, QString* error) {
    QByteArray end;
    if (size < kZipEndRecordSize || !read(size - kZipEndRecordSize, kZipEndRecordSize, &end))
        return fail(error, QStringLiteral("it has no end record"));
    const qint64 centralOffset = qint64(uchar(end[16])) | (qint64(uchar(end[17])) << 8) |
                                 (qint64(uchar(end[18])) << 16) | (qint64(uchar(end[19])) << 24);
    QByteArray tail;
    if (centralOffset >= size || !read(centralOffset, size - centralOffset, &tail))
        return fail(error, QStringLiteral("its central directory cannot be read"));
    if (!readZipParts(tail, centralOffset, size - kZipEndRecordSize, parts, error))
        return false;
    // The local records lie back to back and fill the local part.
    qint64 at = 0;
    for (const ZipRecord& record : std::as_const(parts->records)) {
        QByteArray header;
        qint64 length = 0;
        if (qint64(record.localOffset) != at || !read(at, kZipLocalHeaderSize, &header))
            return fail(error, QStringLiteral("a local record is not where it belongs"));
        const qint64 headerLength = localHeaderLength(header);
        if (headerLength == 0 || !read(at, headerLength, &header))
            return fail(error, QStringLiteral("a local header cannot be read"));
        if (!matchLocalHeader(header, record, &length, error))
            return false;
        at += length;
    }
    if (at != parts->localSize)
        return fail(error, QStringLiteral("its local records do not fill the local part"));
    return true;
}

// CRC-32 of the first length bytes of a file; with dataFrom >= 0 also of those from
// dataFrom on, the whole then made of the two.
bool rangeCrc(int fd, qint64 length, qint64 dataFrom, quint32* all, quint32* data,
              const std::atomic<bool>* stop) {
    quint32 head = 0, tail = 0;
    const qint64 split = dataFrom >= 0 ? dataFrom : length;
    QByteArray buffer;
    for (qint64 at = 0; at < length;) {
        if (stop && stop->load())
            return false;
        const qint64 n = std::min(kReadChunk, length - at);
        if (!readAt(fd, at, n, &buffer))
            return false;
        const qint64 inHead = std::clamp<qint64>(split - at, 0, n);
        head = libdeflate_crc32(head, buffer.constData(), size_t(inHead));
        tail = libdeflate_crc32(tail, buffer.constData() + inHead, size_t(n - inHead));
        at += n;
    }
    *all = quint32(crc32_combine64(head, tail, z_off64_t(length - split)));
    if (data)
        *data = tail;
    return true;
}

quint32 combine(quint32 first, quint32 second, qint64 secondLength) {
    return quint32(crc32_combine64(first, second, z_off64_t(secondLength)));
}

// A DOS date and time as libzip writes it from a time: the local time, years before 1980
// written as 1980.
ZipComponent::DosTime libzipDosTime(time_t seconds) {
    struct tm t {};
    if (!localtime_r(&seconds, &t))
        return {0, uint16_t((1 << 5) + 1)};
    if (t.tm_year < 80)
        t.tm_year = 80;
    return {uint16_t((t.tm_hour << 11) + (t.tm_min << 5) + (t.tm_sec >> 1)),
            uint16_t(((t.tm_year + 1900 - 1980) << 9) + ((t.tm_mon + 1) << 5) + t.tm_mday)};
}

// libzip keeps a DOS time it is given as the local time it names, and writes it back from
// that: a time that does not exist locally (the hour skipped in spring) moves on.
ZipComponent::DosTime libzipDosTime(ZipComponent::DosTime given) {
    struct tm t {};
    t.tm_isdst = -1;
    t.tm_year = ((given.date >> 9) & 127) + 1980 - 1900;
    t.tm_mon = ((given.date >> 5) & 15) - 1;
    t.tm_mday = given.date & 31;
    t.tm_hour = (given.time >> 11) & 31;
    t.tm_min = (given.time >> 5) & 63;
    t.tm_sec = (given.time << 1) & 62;
    return libzipDosTime(mktime(&t));
}

// The one entry of a zip of a stored file, as the zip component (libzip) writes it: its local
// header (CRC to be filled in), and its central record. Only for the files it may be made
// for (storedWritable).
struct StoredEntry {
    QByteArray local;
    QByteArray central;
};
StoredEntry storedEntry(const QByteArray& name, uint32_t crc, uint32_t size,
                        ZipComponent::DosTime dos, uint32_t mode) {
    StoredEntry e;
    e.local = QByteArray(kZipLocalHeaderSize, '\0') + name;
    put32(e.local, 0, 0x04034b50);
    put16(e.local, 4, 10); // version needed: 1.0, a stored file
    put16(e.local, 10, dos.time);
    put16(e.local, 12, dos.date);
    put32(e.local, 14, crc);
    put32(e.local, 18, size);
    put32(e.local, 22, size);
    put16(e.local, 26, uint16_t(name.size()));
    e.central = QByteArray(46, '\0') + name;
    put32(e.central, 0, 0x02014b50);
    put16(e.central, 4, (ZIP_OPSYS_UNIX << 8) | 63); // made by: Unix, format 6.3
    put16(e.central, 6, 10);
    put16(e.central, 12, dos.time);
    put16(e.central, 14, dos.date);
    put32(e.central, 16, crc);
    put32(e.central, 20, size);
    put32(e.central, 24, size);
    put16(e.central, 28, uint16_t(name.size()));
    put32(e.central, 38, mode << 16);
    return e;
}

// Names libzip writes as they are, without a flag: printable ASCII.
bool plainName(const QString& name) {
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return !name.isEmpty() && name.size() < 0xffff;
}

// The zip component's time and mode of an entry made from a file.
void entryTimeAndMode(const struct stat& st, std::optional<qint64> stamp,
                      ZipComponent::DosTime* dos, uint32_t* mode) {
    if (stamp) {
        *dos = libzipDosTime(ZipComponent::dosTime(*stamp));
        *mode = S_IFREG | ((st.st_mode & S_IXUSR) ? 0755 : 0644);
    } else {
        *dos = libzipDosTime(st.st_mtim.tv_sec);
        *mode = st.st_mode;
    }
}

// Writes the zip of the stored file at path alone to zipPath, as the zip component writes it,
// reading the file once: its CRC is taken on the way.
bool writeStoredZip(const QString& path, const QString& zipPath, std::optional<qint64> stamp,
                    const std::atomic<bool>* stop, QString* error) {
    Fd in(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    struct stat st {};
    if (!in.ok() || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return fail(error, QStringLiteral("cannot read %1: %2").arg(path, systemError()));
    Fd out(zipPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW);
    if (!out.ok())
        return fail(error, QStringLiteral("cannot write %1: %2").arg(zipPath, systemError()));
    ZipComponent::DosTime dos;
    uint32_t mode = 0;
    entryTimeAndMode(st, stamp, &dos, &mode);
    const QByteArray name = fileNamePart(path).toUtf8();
    const qint64 dataAt = kZipLocalHeaderSize + name.size();
    quint32 crc = 0;
    qint64 done = 0;
    QByteArray buffer;
    while (done < st.st_size) {
        if (stop && stop->load())
            return fail(error, QStringLiteral("Aborted"));
        const qint64 n = std::min(kReadChunk, qint64(st.st_size) - done);
        if (!readAt(in.get(), done, n, &buffer) || !writeAt(out.get(), dataAt + done, buffer))
            return fail(error, QStringLiteral("cannot write %1: %2").arg(zipPath, systemError()));
        crc = libdeflate_crc32(crc, buffer.constData(), size_t(n));
        done += n;
    }
    const StoredEntry entry = storedEntry(name, crc, uint32_t(st.st_size), dos, mode);
    QString why;
    ZipRecord record;
    record.bytes = entry.central;
    const QByteArray end = centralAndEnd({record}, dataAt + st.st_size, {}, &why);
    if (end.isEmpty() || !writeAt(out.get(), 0, entry.local) ||
        !writeAt(out.get(), dataAt + st.st_size, end))
        return fail(error, QStringLiteral("cannot write %1: %2").arg(zipPath, systemError()));
    return true;
}

// Whether a file may be zipped without libzip: stored, a plain name, within the plain form.
bool storedWritable(const QString& name, qint64 size) {
    return plainName(name) && size < 0xfffff000;
}

} // namespace

bool storedZipMatchesComponent(const QString& folder, std::optional<qint64> stamp) {
    // Bytes that do not compress, so the component stores them as it stores a volume.
    QByteArray bytes(160 * 1024, Qt::Uninitialized);
    quint32 x = 2463534242u;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x >> 24);
    }
    const QString probe = joinPath(folder, QStringLiteral("probe.7z.001"));
    const QString ours = joinPath(folder, QStringLiteral("probe-ours.zip"));
    const QString theirs = joinPath(folder, QStringLiteral("probe-libzip.zip"));
    const auto cleanUp = qScopeGuard([&] {
        for (const QString& path : {probe, ours, theirs})
            QFile::remove(path);
    });
    QString error;
    for (const QString& path : {probe, ours, theirs})
        QFile::remove(path);
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    ZipComponent zip;
    zip.setStampTime(stamp);
    zip.setFiles({probe});
    zip.setZipFileName(theirs);
    QByteArray a, b;
    return zip.zip() == ZipComponent::Ok && writeStoredZip(probe, ours, stamp, nullptr, &error) &&
           readRegularFile(ours, 1 << 20, &a, &error) &&
           readRegularFile(theirs, 1 << 20, &b, &error) && a == b;
}

bool makePiece(const PieceSettings& settings, const QString& volume, ZipPiece* made,
               const std::atomic<bool>* stop, QString* error) {
    const QString volumePath = joinPath(settings.outputFolder, volume);
    struct stat before {};
    if (::lstat(QFile::encodeName(volumePath).constData(), &before) != 0 ||
        !S_ISREG(before.st_mode))
        return fail(error, QStringLiteral("%1 is not a regular file").arg(volumePath));
    ZipPiece piece;
    piece.volume = volume;
    auto lock = std::make_unique<TemporaryLock>();
    piece.path = ZipComponent::makePieceLock(settings.zipDir, volume, lock.get(), error);
    if (piece.path.isEmpty())
        return false;
    const QByteArray piecePath = QFile::encodeName(piece.path);
    piece.lock = std::shared_ptr<TemporaryLock>(lock.release(), [piecePath](TemporaryLock* l) {
        ::unlink(piecePath.constData());
        delete l;
    });
    piece.volumeSize = before.st_size;
    piece.volumeTime = modifiedNs(before);

    // The zip component's own choice between storing and deflating.
    if (settings.writeStored && storedWritable(volume, piece.volumeSize) &&
        samplesLookIncompressible(volumePath, settings.level)) {
        if (!writeStoredZip(volumePath, piece.path, settings.stampTime, stop, error))
            return false;
    } else {
        ZipComponent zip;
        zip.setCompressionLevel(settings.level);
        zip.setStampTime(settings.stampTime);
        zip.setStopFlag(stop);
        zip.setFiles({volumePath});
        zip.setZipFileName(piece.path);
        if (zip.zip() != ZipComponent::Ok)
            return fail(error, zip.lastError());
    }

    Fd fd(piece.path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    struct stat st {};
    ZipParts parts;
    if (!fd.ok() || ::fstat(fd.get(), &st) != 0)
        return fail(error, QStringLiteral("cannot read %1: %2").arg(piece.path, systemError()));
    if (!readFreshZip(fileReader(fd.get()), st.st_size, &parts, error))
        return false;
    if (parts.records.size() != 1 || parts.records[0].name != volume.toUtf8() ||
        qint64(parts.records[0].size) != piece.volumeSize)
        return fail(error, QStringLiteral("%1 does not hold %2 alone").arg(piece.path, volume));
    piece.record = parts.records[0];
    piece.localSize = parts.localSize;
    piece.fileSize = st.st_size;
    piece.endOffset = st.st_size - kZipEndRecordSize;

    // Read back whole: the local part's CRC for the journal, and a stored volume's data
    // against its CRC (a deflated one is read back through the zip component).
    const bool stored = piece.record.method == ZIP_CM_STORE;
    quint32 dataCrc = 0;
    const qint64 dataFrom = piece.localSize - piece.record.compressedSize;
    if (!rangeCrc(fd.get(), piece.localSize, stored ? dataFrom : -1, &piece.localCrc, &dataCrc,
                  stop))
        return fail(error, QStringLiteral("cannot read %1 back").arg(piece.path));
    QString why;
    if (stored ? dataCrc != piece.record.crc
               : !ZipComponent::holdsRecord(piece.path, volume, piece.volumeSize, piece.record.crc,
                                            &why))
        return fail(error,
                    why.isEmpty() ? QStringLiteral("%1 does not read back").arg(piece.path) : why);
    piece.volumeCrc = piece.record.crc;
    if (!pieceStillHolds(piece, volumePath, error))
        return false;
    *made = piece;
    return true;
}

bool pieceStillHolds(const ZipPiece& piece, const QString& volumePath, QString* error) {
    struct stat volume {};
    struct stat zip {};
    if (::lstat(QFile::encodeName(volumePath).constData(), &volume) != 0 ||
        !S_ISREG(volume.st_mode) || volume.st_size != piece.volumeSize ||
        modifiedNs(volume) != piece.volumeTime)
        return fail(error, QStringLiteral("%1 changed after it was zipped").arg(volumePath));
    if (::lstat(QFile::encodeName(piece.path).constData(), &zip) != 0 || !S_ISREG(zip.st_mode) ||
        zip.st_size != piece.fileSize)
        return fail(error, QStringLiteral("%1 is not as it was made").arg(piece.path));
    return true;
}

// ---- Joining ----

struct PieceJoiner::Part {
    QString path;      // the part's zip; empty when it is held in memory
    QByteArray memory; // the local part itself, when held in memory
    qint64 localSize = 0;
    QList<ZipRecord> records;
    quint32 localCrc = 0;
};

PieceJoiner::PieceJoiner(const RunPlan& plan, const QString& workFolder)
    : plan_(plan), workFolder_(workFolder) {}

PieceJoiner::~PieceJoiner() {
    for (const auto& [key, part] : shared_)
        QFile::remove(part->path);
}

bool PieceJoiner::makePart(const QStringList& files, const QString& name, Part* part,
                           QString* error) {
    part->path = joinPath(workFolder_, QStringLiteral("part-%1.zip").arg(name));
    QFile::remove(part->path);
    ZipComponent zip;
    zip.setCompressionLevel(plan_.compressionLevel);
    zip.setStampTime(plan_.stampTime);
    zip.setFiles(files);
    zip.setZipFileName(part->path);
    if (zip.zip() != ZipComponent::Ok)
        return fail(error, zip.lastError());
    Fd fd(part->path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    struct stat st {};
    ZipParts parts;
    if (!fd.ok() || ::fstat(fd.get(), &st) != 0)
        return fail(error, QStringLiteral("cannot read %1 back").arg(part->path));
    if (!readFreshZip(fileReader(fd.get()), st.st_size, &parts, error))
        return false;
    if (!rangeCrc(fd.get(), parts.localSize, -1, &part->localCrc, nullptr, nullptr))
        return fail(error, QStringLiteral("cannot read %1 back").arg(part->path));
    part->localSize = parts.localSize;
    part->records = parts.records;
    return true;
}

bool PieceJoiner::makeMemoryPart(const QString& file, Part* part, QString* error) {
    ZipComponent zip;
    zip.setCompressionLevel(plan_.compressionLevel);
    zip.setStampTime(plan_.stampTime);
    zip.setFiles({file});
    QByteArray bytes;
    ZipParts parts;
    if (zip.zipToBytes(&bytes) != ZipComponent::Ok)
        return fail(error, zip.lastError());
    if (!readFreshZip(memoryReader(bytes), bytes.size(), &parts, error))
        return false;
    part->memory = bytes.left(parts.localSize);
    part->localSize = parts.localSize;
    part->records = parts.records;
    part->localCrc = bytesCrc32(part->memory);
    return true;
}

bool PieceJoiner::join(const ZipPiece& piece, const PlannedZip& planned, const QString& dizCopy,
                       const QString& nfoCopy, const QByteArray& comment, FileRecord* made,
                       QString* error) {
    // The zip component adds to what stands at a zip's place: only an empty place is joined.
    struct stat there {};
    if (::lstat(QFile::encodeName(planned.path).constData(), &there) == 0)
        return fail(error, QStringLiteral("%1 is there already").arg(planned.path));
    QStringList shared;
    QSet<QString> names{piece.volume.toLower()};
    for (qsizetype i = 1; i < planned.entries.size(); ++i) {
        const PlanEntry& entry = planned.entries[i];
        if (entry.kind == PlanEntry::Kind::Diz)
            continue;
        shared << (entry.kind == PlanEntry::Kind::Nfo ? nfoCopy : entry.source);
    }
    for (const QString& file : shared + QStringList{dizCopy}) {
        const QString name = fileNamePart(file).toLower();
        if (names.contains(name))
            return fail(error, QStringLiteral("two files would be stored as %1").arg(name));
        names.insert(name);
    }

    Part diz;
    if (!makeMemoryPart(dizCopy, &diz, error))
        return false;
    const Part* common = nullptr;
    if (!shared.isEmpty()) {
        const QString key = shared.join(QLatin1Char('\n'));
        auto found = shared_.find(key);
        if (found == shared_.end()) {
            auto part = std::make_unique<Part>();
            if (!makePart(shared, QString::number(shared_.size() + 1), part.get(), error))
                return false;
            found = shared_.emplace(key, std::move(part)).first;
        }
        common = found->second.get();
    }

    Fd zip(piece.path, O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    struct stat st {};
    QByteArray tail;
    ZipParts parts;
    if (!zip.ok() || ::fstat(zip.get(), &st) != 0 || st.st_size != piece.fileSize ||
        !readAt(zip.get(), piece.localSize, piece.fileSize - piece.localSize, &tail) ||
        !readZipParts(tail, piece.localSize, piece.endOffset, &parts, error) ||
        parts.records.size() != 1 || parts.records[0].bytes != piece.record.bytes)
        return fail(error, QStringLiteral("%1 is not as it was made").arg(piece.path));

    QList<ZipRecord> records{piece.record};
    qint64 at = piece.localSize;
    quint32 crc = piece.localCrc;
    const Part* joinedParts[] = {&diz, common};
    for (const Part* part : joinedParts) {
        if (!part)
            continue;
        bool written = false;
        if (part->path.isEmpty()) {
            written = writeAt(zip.get(), at, part->memory);
        } else {
            Fd from(part->path, O_RDONLY | O_CLOEXEC);
            written = from.ok() && copyRange(from.get(), 0, zip.get(), at, part->localSize);
        }
        if (!written)
            return fail(error,
                        QStringLiteral("cannot write %1: %2").arg(piece.path, systemError()));
        for (ZipRecord record : part->records) {
            if (!moveRecord(record, at))
                return fail(error, QStringLiteral("%1 would need Zip64 records").arg(planned.path));
            records << record;
        }
        crc = combine(crc, part->localCrc, part->localSize);
        at += part->localSize;
    }
    const QByteArray end = centralAndEnd(records, at, comment, error);
    if (end.isEmpty())
        return false;
    if (!writeAt(zip.get(), at, end) || ::ftruncate(zip.get(), at + end.size()) != 0)
        return fail(error, QStringLiteral("cannot write %1: %2").arg(piece.path, systemError()));
    crc = combine(crc, bytesCrc32(end), end.size());
    if (plan_.stampTime && !stampFileTime(piece.path, *plan_.stampTime))
        return fail(error, QStringLiteral("Cannot set the time of %1").arg(piece.path));

    // The joined zip as a reader sees it: every entry where its records say, the volume's
    // entry the one read back when the piece was made.
    int code = 0;
    zip_t* joined =
        zip_open(QFile::encodeName(piece.path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!joined)
        return fail(error, QStringLiteral("%1 does not open once joined").arg(planned.path));
    zip_stat_t entry;
    zip_stat_init(&entry);
    const bool whole = zip_get_num_entries(joined, 0) == records.size() &&
                       zip_stat_index(joined, 0, 0, &entry) == 0 &&
                       entry.name == piece.volume.toUtf8() &&
                       qint64(entry.size) == piece.volumeSize && entry.crc == piece.volumeCrc;
    zip_discard(joined);
    if (!whole)
        return fail(
            error,
            QStringLiteral("%1 does not hold %2 once joined").arg(planned.path, piece.volume));
    *made = {fileNamePart(planned.path), at + end.size(), crc};
    return true;
}

bool PieceJoiner::name(const ZipPiece& piece, const PlannedZip& planned, QString* error) {
    // Never over a file that came meanwhile.
    const QByteArray target = QFile::encodeName(planned.path);
    if (::link(QFile::encodeName(piece.path).constData(), target.constData()) != 0)
        return fail(error, QStringLiteral("cannot name %1: %2").arg(planned.path, systemError()));
    ::unlink(QFile::encodeName(piece.path).constData());
    return true;
}
