#include "platform/file_replace.h"

#include "platform/file_read.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool fail(QString* error, const QString& path, int code) {
    if (error)
        *error = QStringLiteral("cannot write %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(code)));
    return false;
}

// A new file beside path, with a name nobody has: O_EXCL fails on any name that is taken,
// a link included, so the file made is always a new one of ours.
int createBeside(const QString& path, QByteArray* made) {
    const QFileInfo info(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QStringLiteral(".%1.%2")
                                 .arg(info.fileName())
                                 .arg(QRandomGenerator::global()->generate64() & 0xffffffffffffULL,
                                      12, 36, QLatin1Char('0'));
        *made = QFile::encodeName(info.dir().filePath(name));
        // 0666: the user's umask decides, as for any file the program writes.
        const int fd =
            ::open(made->constData(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

bool replaceFileContents(const QString& path, const QByteArray& bytes, QString* error) {
    QByteArray temporary;
    const int fd = createBeside(path, &temporary);
    if (fd < 0)
        return fail(error, path, errno);
    // Written and on the disk before it takes the name: a crash leaves the old file or the
    // whole new one.
    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int code = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(temporary.constData());
        return fail(error, path, written ? errno : code);
    }
    if (moveOverName(QFile::decodeName(temporary), path, error))
        return true;
    ::unlink(temporary.constData());
    return false;
}

bool moveOverName(const QString& from, const QString& to, QString* error) {
    const QByteArray source = QFile::encodeName(from);
    // rename replaces the name itself: a link there goes, what it points to stays.
    if (::rename(source.constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    return fail(error, to, errno);
}
