#include "platform/folder_watch.h"

#include <QFile>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>
#endif

FolderWatch::~FolderWatch() {
#ifdef Q_OS_LINUX
    if (fd_ >= 0)
        ::close(fd_);
#endif
}

#ifdef Q_OS_LINUX

bool FolderWatch::watch(const QString& folder, QString* error) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        if (error)
            *error = QStringLiteral("cannot watch %1: %2")
                         .arg(folder, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    // Opened for reading or read are not changes; everything that writes, renames, removes
    // or re-times a file is.
    constexpr uint32_t mask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MODIFY | IN_ATTRIB | IN_MOVED_FROM |
                              IN_DELETE | IN_CREATE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR |
                              IN_DONT_FOLLOW;
    if (inotify_add_watch(fd_, QFile::encodeName(folder).constData(), mask) < 0) {
        if (error)
            *error = QStringLiteral("cannot watch %1: %2")
                         .arg(folder, QString::fromLocal8Bit(strerror(errno)));
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

QList<FolderWatch::Change> FolderWatch::take() {
    QList<Change> changes;
    if (fd_ < 0)
        return changes;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            Change change;
            const uint32_t m = event->mask;
            if (m & (IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
                changes.append({Kind::Lost, {}});
                continue;
            }
            if (event->len == 0 || (m & IN_ISDIR))
                continue;
            change.name = QFile::decodeName(QByteArray(event->name));
            if (m & IN_CLOSE_WRITE)
                change.kind = Kind::Closed;
            else if (m & IN_MOVED_TO)
                change.kind = Kind::MovedIn;
            changes.append(change);
        }
    }
    return changes;
}

bool FolderWatch::wait(int ms) const {
    if (fd_ < 0)
        return false;
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

#else

bool FolderWatch::watch(const QString& folder, QString* error) {
    if (error)
        *error = QStringLiteral("cannot watch %1 on this system").arg(folder);
    return false;
}

QList<FolderWatch::Change> FolderWatch::take() {
    return {};
}

bool FolderWatch::wait(int) const {
    return false;
}

#endif
