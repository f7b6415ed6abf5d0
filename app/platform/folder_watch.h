#pragma once

#include <QList>
#include <QString>

// What happens to the files of one folder, as the system reports it: a file closed after
// being written, a file moved in under its name, and any other change to a file (written,
// its times or mode changed, moved away, removed, made anew). A run watches its output
// folder with it, to know that a volume the archiver has finished is not written again.
//
// Where the system cannot report this, watch() fails and nothing is known: every file may
// still change.
class FolderWatch {
  public:
    enum class Kind {
        Closed,  // closed after being opened for writing
        MovedIn, // moved into the folder under this name
        Changed, // anything else that may change its bytes, times or name
        Lost,    // the watch lost count (its queue overflowed, the folder went): anything may
                 // have changed
    };
    struct Change {
        Kind kind = Kind::Changed;
        QString name; // empty for Lost
    };

    FolderWatch() = default;
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Starts watching folder; false with *error where the system cannot, or the folder cannot
    // be watched.
    bool watch(const QString& folder, QString* error = nullptr);
    bool watching() const { return fd_ >= 0; }

    // Every change reported since the last call, in the order they happened; never waits.
    QList<Change> take();
    // Waits at most ms milliseconds (-1: without end) for a change to be reported or for
    // wake(); true when either came.
    bool wait(int ms);
    // Ends a wait, from any thread.
    void wake();

  private:
    int fd_ = -1;
    int wakeFd_ = -1;
};
