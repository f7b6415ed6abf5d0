#pragma once

#include <QString>

// An advisory lock a run holds on its output folder for as long as it works in it. The
// system drops it when the process ends, however it ends, so a folder whose lock nobody
// holds belongs to a run that is gone (finished, stopped, or killed outright).
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

    // Whether a process, this one included, holds the folder's lock now.
    static bool isHeld(const QString& folder);

  private:
    int fd_ = -1;
};
