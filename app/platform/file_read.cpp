#include "platform/file_read.h"

#include <QDirIterator>

#include <QFile>

#include <libdeflate.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

QString reason(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// Closes the descriptor however reading ends.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};
} // namespace

bool readRegularFile(const QString& path, qint64 maxBytes, QByteArray* bytes, QString* error) {
    if (path.isEmpty())
        return fail(error, QStringLiteral("no file named"));
    // Non-blocking open: opening a FIFO for reading would otherwise wait for a writer.
    Descriptor file{
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0)
        return fail(error, QStringLiteral("cannot read %1: %2").arg(path, reason(errno)));
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        return fail(error, QStringLiteral("cannot read %1: %2").arg(path, reason(errno)));
    if (S_ISDIR(st.st_mode))
        return fail(error, QStringLiteral("%1 is a folder, not a file").arg(path));
    if (!S_ISREG(st.st_mode))
        return fail(
            error, QStringLiteral("%1 is not a regular file (a FIFO, device or socket)").arg(path));
    if (st.st_size > maxBytes)
        return fail(error, QStringLiteral("%1 is too large (%2 bytes, at most %3)")
                               .arg(path)
                               .arg(qint64(st.st_size))
                               .arg(maxBytes));
    ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);
    QByteArray data;
    // One byte more than allowed: a file that grows while it is read is refused too.
    data.resize(qsizetype(std::min<qint64>(st.st_size, maxBytes) + 1));
    qsizetype got = 0;
    for (;;) {
        if (got == data.size()) {
            if (got > maxBytes)
                return fail(
                    error,
                    QStringLiteral("%1 is too large (over %2 bytes)").arg(path).arg(maxBytes));
            data.resize(std::min<qsizetype>(data.size() * 2, qsizetype(maxBytes) + 1));
        }
        const ssize_t n = ::read(file.fd, data.data() + got, size_t(data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(error, QStringLiteral("cannot read %1: %2").arg(path, reason(errno)));
        if (n == 0)
            break;
        got += n;
    }
    data.resize(got);
    *bytes = std::move(data);
    return true;
}

qint64 treeFileBytes(const QString& folder) {
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

bool fileCrc32(const QString& path, quint32* crc, QString* error) {
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, why);
        if (fd >= 0)
            ::close(fd);
        return false;
    };
    if (fd < 0)
        return fail(QString::fromLocal8Bit(strerror(errno)));
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(QString::fromLocal8Bit(strerror(errno)));
    if (!S_ISREG(st.st_mode))
        return fail(QStringLiteral("not a regular file"));
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    quint32 value = 0;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), size_t(buffer.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(QString::fromLocal8Bit(strerror(errno)));
        }
        if (n == 0)
            break;
        value = libdeflate_crc32(value, buffer.constData(), size_t(n));
    }
    ::close(fd);
    *crc = value;
    return true;
}

QString crcText(quint32 crc) {
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
}

quint32 bytesCrc32(QByteArrayView bytes) {
    return libdeflate_crc32(0, bytes.data(), size_t(bytes.size()));
}

bool isRegularFileNoLink(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool writeAll(int fd, QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const ssize_t n = ::write(fd, bytes.data(), size_t(bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes = bytes.sliced(n);
    }
    return true;
}

bool writeFileAtomically(const QString& folder, const QString& name, const QByteArray& bytes,
                         QString* error) {
    const QString target = folder + QLatin1Char('/') + name;
    const QString beside = folder + QStringLiteral("/.%1.new-%2").arg(name).arg(::getpid());
    const QByteArray besideName = QFile::encodeName(beside);
    ::unlink(besideName.constData());
    // O_EXCL with O_NOFOLLOW: a link planted at the name is never written through.
    Descriptor out{
        ::open(besideName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644)};
    if (out.fd < 0)
        return fail(error, QStringLiteral("cannot write %1: %2").arg(beside, reason(errno)));
    if (!writeAll(out.fd, bytes)) {
        const int code = errno;
        ::unlink(besideName.constData());
        return fail(error, QStringLiteral("cannot write %1: %2").arg(beside, reason(code)));
    }
    const bool synced = ::fsync(out.fd) == 0;
    const int syncError = errno;
    const bool closed = ::close(out.fd) == 0;
    out.fd = -1;
    if (!synced || !closed) {
        const int code = synced ? errno : syncError;
        ::unlink(besideName.constData());
        return fail(error, QStringLiteral("cannot write %1: %2").arg(beside, reason(code)));
    }
    if (::rename(besideName.constData(), QFile::encodeName(target).constData()) != 0) {
        const int code = errno;
        ::unlink(besideName.constData());
        return fail(error, QStringLiteral("cannot write %1: %2").arg(target, reason(code)));
    }
    return true;
}
