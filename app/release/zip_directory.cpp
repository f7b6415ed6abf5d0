#include "release/zip_directory.h"

#include "companion/diz_numbers.h"
#include "job/text_lines.h"
#include "release/zip_layout.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <zip.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Deflate cannot make more than about 1,032 bytes out of one; an entry that claims more is
// lying about its size, and reading it would only fill the disk.
constexpr qint64 kMaxPlausibleRatio = 1100;
constexpr qint64 kSmallEntryBytes = 1024 * 1024;

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

// What an entry's attributes make of it beyond a file or a folder: a link (its type in the
// upper half, whatever system the zip says made it, for 7-Zip restores it from any; or a
// reparse point), a device, a FIFO or a socket. Empty for a file or a folder.
QString specialKind(zip_t* archive, zip_uint64_t index) {
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0)
        return {};
    constexpr zip_uint32_t kReparsePoint = 0x400;
    const zip_uint32_t type = (attributes >> 16) & S_IFMT;
    if (type == S_IFLNK || (attributes & kReparsePoint))
        return QStringLiteral("a link");
    if (type == S_IFCHR || type == S_IFBLK || type == S_IFIFO || type == S_IFSOCK)
        return QStringLiteral("a device, FIFO or socket");
    return {};
}

QString refusalOf(const ZipEntryInfo& e, const zip_stat_t& st, const QString& special,
                  qint64 fileSize) {
    const QString shown = printableText(e.name);
    if (const QString unsafe = unsafeEntryNameFault(e.name); !unsafe.isEmpty())
        return unsafe;
    if (!special.isEmpty())
        return QStringLiteral("%1 is %2, which a receiver does not unpack").arg(shown, special);
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

// Where every entry lies in the file, and what is out of place there.
void layOutEntries(ZipDirectory& d) {
    const int fd = ::open(QFile::encodeName(d.path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    const ZipLayout layout = readZipLayout(fd, d.fileSize);
    ::close(fd);
    d.layoutFaults = layout.faults;
    d.comment = layout.comment;
    if (!layout.read || layout.entries.size() != d.entries.size())
        return;
    for (qsizetype i = 0; i < d.entries.size(); ++i)
        if (QString::fromUtf8(layout.entries[i].name) == d.entries[i].name)
            d.entries[i].dataOffset = layout.entries[i].dataOffset;
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
        e.refusal = refusalOf(e, st, specialKind(archive_, e.index), fileSize);
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

ZipDirectory readZipDirectory(const QString& path) {
    ZipDirectory d;
    d.path = path;
    d.fileName = QFileInfo(path).fileName();
    const ZipArchive archive(path, &d.openFault, &d.fileSize);
    if (!archive.isOpen())
        return d;
    d.entries = archive.entries(d.fileSize);
    layOutEntries(d);
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
