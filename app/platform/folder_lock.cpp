#include "platform/folder_lock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kAttempts = 100;

int openFolder(const QString& folder) {
    return ::open(QFile::encodeName(folder).constData(),
                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

QString errnoText(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// Whether fd is still the file at path: a name removed and made again is another file.
bool stillAt(int fd, const QString& path) {
    struct stat held {
    }, named{};
    return ::fstat(fd, &held) == 0 && ::lstat(QFile::encodeName(path).constData(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Takes the lock of fd without waiting.
bool tryLock(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

bool ownedByUs(int fd, bool folder) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && st.st_uid == ::getuid() &&
           (folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode));
}

QStringList entriesMatching(const QString& dir, const QRegularExpression& name) {
    QStringList found;
    for (const QString& entry :
         QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (name.match(entry).hasMatch())
            found << entry;
    return found;
}
} // namespace

bool FolderLock::lock(const QString& folder, QString* error) {
    unlock();
    const int fd = openFolder(folder);
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("cannot open the folder %1: %2").arg(folder, errnoText(errno));
        return false;
    }
    if (!tryLock(fd)) {
        const int code = errno;
        ::close(fd);
        if (error)
            *error =
                code == EWOULDBLOCK
                    ? QStringLiteral("a run is still working in %1").arg(folder)
                    : QStringLiteral("cannot lock the folder %1: %2").arg(folder, errnoText(code));
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

QString FolderLock::makeFolder(const QString& dir, const QString& prefix, QString* error) {
    unlock();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        QByteArray pattern = QFile::encodeName(QDir(dir).filePath(prefix + "XXXXXX"));
        if (!::mkdtemp(pattern.data())) {
            if (error)
                *error =
                    QStringLiteral("cannot make a folder in %1: %2").arg(dir, errnoText(errno));
            return {};
        }
        const QString made = QFile::decodeName(pattern);
        const int fd = openFolder(made);
        // Between mkdtemp and the lock another run may have taken the new folder for
        // abandoned: it removes it, and this run makes another.
        if (fd >= 0 && tryLock(fd) && stillAt(fd, made)) {
            fd_ = fd;
            return made;
        }
        if (fd >= 0)
            ::close(fd);
    }
    if (error)
        *error = QStringLiteral("cannot make a folder of its own in %1").arg(dir);
    return {};
}

bool FolderLock::isHeld(const QString& folder) {
    const int fd = openFolder(folder);
    if (fd < 0)
        return false;
    const bool held = !tryLock(fd) && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

bool TemporaryLock::make(const QString& dir, const QString& prefix, QString* error) {
    release();
    const QByteArray suffix = ".lock";
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        QByteArray pattern = QFile::encodeName(QDir(dir).filePath(prefix + "XXXXXX")) + suffix;
        const int fd = ::mkostemps(pattern.data(), int(suffix.size()), O_CLOEXEC);
        if (fd < 0) {
            if (error)
                *error = QStringLiteral("cannot make a temporary file in %1: %2")
                             .arg(dir, errnoText(errno));
            return false;
        }
        const QString made = QFile::decodeName(pattern);
        if (tryLock(fd) && stillAt(fd, made)) {
            fd_ = fd;
            stem_ = made.chopped(int(suffix.size()));
            return true;
        }
        ::close(fd);
    }
    if (error)
        *error = QStringLiteral("cannot make a temporary file of its own in %1").arg(dir);
    return false;
}

void TemporaryLock::release() {
    if (fd_ < 0)
        return;
    ::unlink(QFile::encodeName(stem_ + QStringLiteral(".lock")).constData());
    ::close(fd_);
    fd_ = -1;
    stem_.clear();
}

QStringList removeAbandonedFolders(const QString& dir, const QRegularExpression& folderName) {
    QStringList removed;
    for (const QString& name : entriesMatching(dir, folderName)) {
        const QString path = QDir(dir).filePath(name);
        const int fd = openFolder(path);
        if (fd < 0)
            continue;
        // Held while the folder goes: a run that starts meanwhile cannot take it.
        if (ownedByUs(fd, true) && tryLock(fd) && stillAt(fd, path) &&
            QDir(path).removeRecursively())
            removed << name;
        ::close(fd);
    }
    return removed;
}

QStringList removeAbandonedTemporaries(const QString& dir, const QRegularExpression& lockFileName) {
    QStringList removed;
    const QStringList names =
        QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& lockName : names) {
        if (!lockFileName.match(lockName).hasMatch() || !lockName.endsWith(QLatin1String(".lock")))
            continue;
        const QString lockPath = QDir(dir).filePath(lockName);
        const int fd = ::open(QFile::encodeName(lockPath).constData(),
                              O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (ownedByUs(fd, false) && tryLock(fd) && stillAt(fd, lockPath)) {
            const QString stem = lockName.chopped(5);
            for (const QString& name : names) {
                if (name == lockName || (name != stem && !name.startsWith(stem + QLatin1Char('.'))))
                    continue;
                struct stat st {};
                const QByteArray path = QFile::encodeName(QDir(dir).filePath(name));
                if (::lstat(path.constData(), &st) == 0 && st.st_uid == ::getuid() &&
                    !S_ISDIR(st.st_mode) && ::unlink(path.constData()) == 0)
                    removed << name;
            }
            if (::unlink(QFile::encodeName(lockPath).constData()) == 0)
                removed << lockName;
        }
        ::close(fd);
    }
    return removed;
}
