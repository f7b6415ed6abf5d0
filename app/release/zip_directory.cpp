#include "release/zip_directory.h"

#include "job/text_lines.h"
#include "companion/diz_numbers.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <zip.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Deflate cannot make more than about 1,032 bytes out of one; an entry that claims more is
// lying about its size, and reading it would only fill the disk.
constexpr qint64 kMaxPlausibleRatio = 1100;
constexpr qint64 kSmallEntryBytes = 1024 * 1024;
// A central directory this big belongs to no zip of a set; such a zip is read through libzip.
constexpr qint64 kMaxDirectoryBytes = 16 * 1024 * 1024;

QString libzipError(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

QString openFault(const QString& path, int code) {
    if (code == ZIP_ER_NOZIP) {
        // The start of a zip without its end is a zip cut short, not something else.
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.read(4) == QByteArrayView("PK\x03\x04", 4))
            return QStringLiteral("is damaged or cut short (its central directory is missing)");
        return QStringLiteral("is not a zip archive");
    }
    if (code == ZIP_ER_INCONS)
        return QStringLiteral("is damaged or cut short (%1)").arg(libzipError(code));
    return QStringLiteral("cannot be opened: %1").arg(libzipError(code));
}

bool isLink(zip_t* archive, zip_uint64_t index) {
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0)
        return false;
    return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK;
}

QString refusalOf(const ZipEntryInfo& e, const zip_stat_t& st, bool link, qint64 fileSize) {
    const QString shown = printableText(e.name);
    if (const QString unsafe = unsafeEntryNameFault(e.name); !unsafe.isEmpty())
        return unsafe;
    if (link)
        return QStringLiteral("%1 is a link, which a receiver does not unpack").arg(shown);
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
        return QStringLiteral("%1 is encrypted").arg(shown);
    if (e.compressedSize > fileSize || e.size < 0 || e.compressedSize < 0)
        return QStringLiteral("%1 claims more compressed bytes than the zip holds").arg(shown);
    if (e.size > kSmallEntryBytes &&
        e.size / qMax<qint64>(e.compressedSize, 1) > kMaxPlausibleRatio)
        return QStringLiteral("%1 claims %2 bytes out of %3 compressed, more than deflate can "
                              "make: refused unread (a zip bomb)")
            .arg(shown)
            .arg(e.size)
            .arg(e.compressedSize);
    return {};
}

quint32 le16(const char* p) {
    return quint32(uchar(p[0])) | quint32(uchar(p[1])) << 8;
}
quint32 le32(const char* p) {
    return le16(p) | le16(p + 2) << 16;
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

// The central directory's place from the end record: the last one whose comment reaches
// exactly to the end of the file.
std::optional<std::pair<qint64, qint64>> directoryPlace(int fd, qint64 fileSize) {
    const qint64 tailSize = qMin<qint64>(fileSize, 22 + 0xFFFF);
    QByteArray tail;
    if (tailSize < 22 || !readAt(fd, fileSize - tailSize, tailSize, &tail))
        return std::nullopt;
    for (qsizetype at = tail.size() - 22; at >= 0; --at) {
        const char* p = tail.constData() + at;
        if (std::memcmp(p, "PK\x05\x06", 4) != 0 ||
            at + 22 + qsizetype(le16(p + 20)) != tail.size())
            continue;
        const qint64 size = le32(p + 12), offset = le32(p + 16);
        if (size == 0xFFFFFFFF || offset == 0xFFFFFFFF || offset + size > fileSize - tailSize + at)
            return std::nullopt;
        return std::make_pair(offset, size);
    }
    return std::nullopt;
}

} // namespace

bool isDizEntry(const QString& name) {
    return name.compare(QLatin1String("file_id.diz"), Qt::CaseInsensitive) == 0;
}

QString unsafeEntryNameFault(const QString& name) {
    const QString shown = printableText(name);
    if (name.isEmpty())
        return QStringLiteral("an entry has no name");
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return QStringLiteral("the entry name \"%1\" holds a control character").arg(shown);
    const bool drive = name.size() >= 2 && name[1] == QLatin1Char(':') && name[0].isLetter();
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\')) || drive)
        return QStringLiteral("the entry name \"%1\" is an absolute path, which a receiver "
                              "refuses")
            .arg(shown);
    for (const QString& part : name.split(QRegularExpression(QStringLiteral("[/\\\\]"))))
        if (part == QLatin1String(".."))
            return QStringLiteral("the entry name \"%1\" climbs out of the folder it is "
                                  "unpacked in, which a receiver refuses")
                .arg(shown);
    return {};
}

ZipArchive::ZipArchive(const QString& path, QString* fault, qint64* fileSize) {
    // Refuse what is not a regular file before libzip touches it: a FIFO would block the open.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        *fault = QString::fromLocal8Bit(strerror(errno));
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        *fault = QStringLiteral("is not a regular file");
        return;
    }
    if (fileSize)
        *fileSize = qint64(st.st_size);
    int code = 0;
    archive_ = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    *fault = archive_ ? QString() : openFault(path, code);
}

ZipArchive::~ZipArchive() {
    if (archive_)
        zip_discard(archive_);
}

QList<ZipEntryInfo> ZipArchive::entries(qint64 fileSize) const {
    QList<ZipEntryInfo> list;
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        ZipEntryInfo e;
        e.index = zip_uint64_t(i);
        if (zip_stat_index(archive_, zip_uint64_t(i), 0, &st) != 0) {
            e.name = QStringLiteral("#%1").arg(i + 1);
            e.refusal = QStringLiteral("entry %1 cannot be read: %2")
                            .arg(i + 1)
                            .arg(QString::fromLocal8Bit(zip_strerror(archive_)));
            list << e;
            continue;
        }
        e.name = QString::fromUtf8(st.name ? st.name : "");
        e.size = (st.valid & ZIP_STAT_SIZE) ? qint64(st.size) : 0;
        e.compressedSize = (st.valid & ZIP_STAT_COMP_SIZE) ? qint64(st.comp_size) : 0;
        e.crc = (st.valid & ZIP_STAT_CRC) ? quint32(st.crc) : 0;
        e.refusal = refusalOf(e, st, isLink(archive_, e.index), fileSize);
        e.stored = (st.valid & ZIP_STAT_COMP_METHOD) && st.comp_method == ZIP_CM_STORE &&
                   (st.valid & ZIP_STAT_CRC) && e.size == e.compressedSize;
        list << e;
    }
    return list;
}

QString ZipArchive::readEntry(const ZipEntryInfo& e,
                              const std::function<QString(QByteArrayView)>& take) const {
    const QString shown = printableText(e.name);
    zip_file_t* file = zip_fopen_index(archive_, e.index, 0);
    if (!file)
        return QStringLiteral("%1 cannot be read: %2")
            .arg(shown, QString::fromLocal8Bit(zip_strerror(archive_)));
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    QString fault;
    qint64 total = 0;
    for (;;) {
        // At the declared size one byte more is asked for: none is the end, where libzip
        // checks the CRC; one is damage, and nothing of it is kept.
        const qint64 left = e.size - total;
        const zip_int64_t got = zip_fread(
            file, buffer.data(), zip_uint64_t(left > 0 ? qMin<qint64>(left, buffer.size()) : 1));
        if (got < 0) {
            zip_error_t* error = zip_file_get_error(file);
            fault = zip_error_code_zip(error) == ZIP_ER_CRC
                        ? QStringLiteral("CRC error in %1").arg(shown)
                        : QStringLiteral("%1 cannot be read: %2")
                              .arg(shown, QString::fromLocal8Bit(zip_error_strerror(error)));
        } else if (got == 0 && left > 0) {
            fault = QStringLiteral("%1 reads back %2 bytes where the zip says %3")
                        .arg(shown)
                        .arg(total)
                        .arg(e.size);
        } else if (got > 0 && left == 0) {
            fault = QStringLiteral("%1 holds more data than the %2 bytes it declares")
                        .arg(shown)
                        .arg(e.size);
        } else if (got > 0) {
            total += got;
            fault = take(QByteArrayView(buffer.constData(), qsizetype(got)));
            if (fault.isEmpty())
                continue;
        }
        break;
    }
    zip_fclose(file);
    return fault;
}

std::optional<qint64> entryDataOffset(int fd, qint64 fileSize, quint64 index, const QString& name) {
    const auto place = directoryPlace(fd, fileSize);
    QByteArray directory;
    if (!place || place->second > kMaxDirectoryBytes ||
        !readAt(fd, place->first, place->second, &directory))
        return std::nullopt;
    const QByteArray wanted = name.toUtf8();
    qsizetype at = 0;
    for (quint64 i = 0;; ++i) {
        const char* p = directory.constData() + at;
        if (at + 46 > directory.size() || std::memcmp(p, "PK\x01\x02", 4) != 0)
            return std::nullopt;
        const qsizetype nameSize = le16(p + 28);
        const qsizetype next = at + 46 + nameSize + le16(p + 30) + le16(p + 32);
        if (next > directory.size())
            return std::nullopt;
        if (i < index) {
            at = next;
            continue;
        }
        const qint64 local = le32(p + 42);
        QByteArray header;
        if (directory.mid(at + 46, nameSize) != wanted || local == 0xFFFFFFFF ||
            !readAt(fd, local, 30, &header) ||
            std::memcmp(header.constData(), "PK\x03\x04", 4) != 0)
            return std::nullopt;
        const qint64 localName = le16(header.constData() + 26);
        QByteArray localNameBytes;
        if (localName != nameSize || !readAt(fd, local + 30, localName, &localNameBytes) ||
            localNameBytes != wanted)
            return std::nullopt;
        return local + 30 + localName + le16(header.constData() + 28);
    }
}

ZipDirectory readZipDirectory(const QString& path) {
    ZipDirectory d;
    d.path = path;
    d.fileName = QFileInfo(path).fileName();
    const ZipArchive archive(path, &d.openFault, &d.fileSize);
    if (!archive.isOpen())
        return d;
    d.entries = archive.entries(d.fileSize);
    const ZipEntryInfo* diz = nullptr;
    for (const ZipEntryInfo& e : d.entries)
        if (isDizEntry(e.name)) {
            ++d.dizCount;
            diz = &e;
        }
    if (d.dizCount != 1 || !diz->refusal.isEmpty())
        return d;
    if (diz->size > kMaxDizBytes) {
        d.dizFault = QStringLiteral("file_id.diz is %1 bytes, too big for a diz (at most %2)")
                         .arg(diz->size)
                         .arg(kMaxDizBytes);
        return d;
    }
    QByteArray bytes;
    d.dizFault = archive.readEntry(*diz, [&bytes](QByteArrayView chunk) {
        bytes += chunk;
        return QString();
    });
    if (d.dizFault.isEmpty())
        if (const QString text = dizTextFault(bytes); !text.isEmpty())
            d.dizFault = QStringLiteral("file_id.diz ") + text;
    if (d.dizFault.isEmpty())
        d.diz = bytes;
    return d;
}
