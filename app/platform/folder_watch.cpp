#include "platform/folder_watch.h"

#include <QFile>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>
#endif

FolderWatch::~FolderWatch() {
#ifdef Q_OS_LINUX
    if (fd_ >= 0)
        ::close(fd_);
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
#endif
}

#ifdef Q_OS_LINUX

bool FolderWatch::watch(const QString& folder, QString* error) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (wakeFd_ < 0)
        wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd_ < 0 || wakeFd_ < 0) {
        if (error)
            *error = QStringLiteral("cannot watch %1: %2")
                         .arg(folder, QString::fromLocal8Bit(strerror(errno)));
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
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

bool FolderWatch::wait(int ms) {
    if (fd_ < 0)
        return false;
    pollfd p[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    if (::poll(p, 2, ms) <= 0)
        return false;
    uint64_t woken = 0;
    if (p[1].revents & POLLIN)
        (void)!::read(wakeFd_, &woken, sizeof woken);
    return true;
}

void FolderWatch::wake() {
    const uint64_t one = 1;
    if (wakeFd_ >= 0)
        (void)!::write(wakeFd_, &one, sizeof one);
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

bool FolderWatch::wait(int) {
    return false;
}

void FolderWatch::wake() {}

#endif
