#include "platform/file_read.h"

#include <QDirIterator>

#include <QFile>

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
