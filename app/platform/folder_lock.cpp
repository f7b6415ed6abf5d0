#include "platform/folder_lock.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
int openFolder(const QString& folder) {
    return ::open(QFile::encodeName(folder).constData(),
                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}
} // namespace

bool FolderLock::lock(const QString& folder, QString* error) {
    unlock();
    const int fd = openFolder(folder);
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("cannot open the folder %1: %2")
                         .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        ::close(fd);
        if (error)
            *error = code == EWOULDBLOCK
                         ? QStringLiteral("a run is still working in %1").arg(folder)
                         : QStringLiteral("cannot lock the folder %1: %2")
                               .arg(folder, QString::fromLocal8Bit(std::strerror(code)));
        return false;
    }
    fd_ = fd;
    return true;
}

void FolderLock::unlock() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool FolderLock::isHeld(const QString& folder) {
    const int fd = openFolder(folder);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}
