#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

// An advisory lock a run holds on its output folder for as long as it works in it. The
// system drops it when the process ends, however it ends, so a folder whose lock nobody
// holds belongs to a run that is gone (finished, stopped, or killed outright).
//
// The same lock marks every folder and temporary file the program makes among other
// people's files (the par2 folder and temporary zips beside the zips, the folder an unpack
// extracts into, the work folders in the scratch folder): another run removes one only when
// its name carries the program's mark and its lock is free. A process id says nothing: it
// may be another process's by now, or a live one in another PID namespace.
class FolderLock {
  public:
    FolderLock() = default;
    ~FolderLock() { unlock(); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock without waiting; false with *error when the folder cannot be opened
    // (a link is not followed) or someone else holds it.
    bool lock(const QString& folder, QString* error = nullptr);
    void unlock();

    // Makes a new folder in dir named prefix + six letters and digits and holds its lock from
    // the moment it exists, so no other run can take it for abandoned. Empty with *error when
    // none can be made.
    QString makeFolder(const QString& dir, const QString& prefix, QString* error = nullptr);

    // Whether a process, this one included, holds the folder's lock now.
    static bool isHeld(const QString& folder);

  private:
    int fd_ = -1;
};

// The lock file beside temporary files a program writes among other people's files: it is
// "<stem>.lock", the temporaries are "<stem>" and names that go on from it with a dot, and it
// is held while they exist. The temporaries go first, the lock file last.
class TemporaryLock {
  public:
    TemporaryLock() = default;
    ~TemporaryLock() { release(); }
    TemporaryLock(const TemporaryLock&) = delete;
    TemporaryLock& operator=(const TemporaryLock&) = delete;

    // Makes and locks dir/prefix + six letters and digits + ".lock". False with *error when
    // it cannot be made.
    bool make(const QString& dir, const QString& prefix, QString* error = nullptr);
    // dir/prefix + the six characters: what the temporaries are named after.
    QString stem() const { return stem_; }
    // Removes the lock file and gives up the lock.
    void release();

  private:
    int fd_ = -1;
    QString stem_;
};

// What runs that are gone left in dir, removed: the folders of this user whose name matches
// folderName and whose lock no process holds; the temporaries of this user beside every lock
// file whose name matches lockFileName that no process holds. A name without the mark, a link
// in a folder's place, a file of another user and anything whose lock is held stay. Returns
// the names removed.
QStringList removeAbandonedFolders(const QString& dir, const QRegularExpression& folderName);
QStringList removeAbandonedTemporaries(const QString& dir, const QRegularExpression& lockFileName);
