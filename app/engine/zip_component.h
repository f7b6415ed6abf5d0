#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct zip;
class TemporaryLock;
using zip_t = struct zip;

// The zip engine the wrapping drives, on libzip. Same operations as the outside component
// it stands in for: compression level, files to process, zip file name, zip, abort, and
// the Adding and Status notifications while a zip call runs.
//
// A zip call is all or nothing: libzip writes the new archive to a temporary file beside
// the zip and renames it over the old one only when everything was written, so a call that
// fails or is aborted leaves the zip on disk exactly as it was.
class ZipComponent {
  public:
    // Results of zip(); 0 is success, anything else a failure.
    enum Result : int {
        Ok = 0,
        Aborted = 1,
        NoZipName = 2,
        NothingToProcess = 3,
        FileMissing = 4,
        OpenFailed = 5,
        AddFailed = 6,
        WriteFailed = 7,
        DuplicateName = 8,
    };

    using AddingHandler = std::function<void(const QString& fileName)>;
    using StatusHandler = std::function<void(int16_t percent)>;

    ZipComponent() = default;
    ZipComponent(const ZipComponent&) = delete;
    ZipComponent& operator=(const ZipComponent&) = delete;

    // Deflate level for all following zip calls (6 normally, 9 for extra compression).
    void setCompressionLevel(int level);
    int compressionLevel() const { return level_; }

    // The files the next zip call adds, every path literal, however it is named: a file
    // called "*.*" or "[a]*.rar", or holding a line break, is that file.
    void setFiles(const QStringList& paths);

    // The zip to create or update; ".zip" is appended unless the name already ends with it.
    void setZipFileName(const QString& name);
    QString zipFileName() const { return zipPath_; }

    // Adds the files to the named zip, creating it when missing; an entry of the same name
    // already in the zip is replaced in place. Entries are named by the file's name alone.
    // Returns Ok (0) or a failure code; lastError() then says what failed. A call fails when
    // a named file is missing or not a regular file, when two of its files would get the
    // same entry name, and when it would add nothing at all.
    //
    // The zip is written under a temporary name of this program's own beside it and renamed
    // over the old one only when complete.
    int zip();
    // The zip of the files as zip() writes a new one, made in memory (*bytes): no file is
    // written. Meant for small zips; the zip file name plays no part.
    int zipToBytes(QByteArray* bytes);

    // Whether the zip holds an entry of that name whose data reads back complete (its CRC
    // checked) and has the size of the file on disk: before a volume is deleted.
    static bool holds(const QString& zipPath, const QString& entryName, const QString& filePath,
                      QString* error);
    // Whether the zip holds an entry of that name with that size and CRC, reading back
    // complete: a volume that is gone, known by its record.
    static bool holdsRecord(const QString& zipPath, const QString& entryName, qint64 size,
                            quint32 crc, QString* error);

    // Removes what zip calls of programs that were killed left in dir: their temporary zips,
    // once the lock file each call holds beside them is free. Returns the names removed.
    static QStringList removeStaleTemporaries(const QString& dir);
    // A zip begun from a volume before its name is known (zip_pieces.h) is a temporary of
    // this program in zipDir: lock is made for it, beside it, and the piece's path returned,
    // named after the lock. Empty with *error when the lock cannot be made.
    static QString makePieceLock(const QString& zipDir, const QString& volumeName,
                                 TemporaryLock* lock, QString* error);

    // The time every entry added from now on carries (seconds since 1970 UTC), with the mode
    // it is stored with reduced to 0644, or 0755 for a file its owner may run, so neither the
    // clock nor the umask shows in the zip. Empty: each file's own time and mode, as found.
    void setStampTime(std::optional<qint64> seconds) { stamp_ = seconds; }

    // A zip entry's DOS date and time for a stamp, in UTC, held to the range DOS can
    // write: 1980-01-01 00:00:00 to 2107-12-31 23:59:58, in steps of two seconds.
    struct DosTime {
        uint16_t time = 0;
        uint16_t date = 0;
        bool operator==(const DosTime&) const = default;
    };
    static DosTime dosTime(qint64 seconds);

    // Set while a zip call runs (from a notification or an event handler) to stop it. The
    // flag holds until cleared, so a zip call started while it is set fails at once.
    void setAbort(bool abort) { abort_ = abort; }
    bool abort() const { return abort_; }
    // A flag of another thread's that stops zip calls as the abort flag does; none when null.
    void setStopFlag(const std::atomic<bool>* stop) { stopFlag_ = stop; }

    void onAdding(AddingHandler handler) { adding_ = std::move(handler); }
    void onStatus(StatusHandler handler) { status_ = std::move(handler); }

    QString lastError() const { return lastError_; }

  private:
    struct Pending {
        int64_t index;
        QString name;
    };
    // The files to add: each a regular file, no two with one entry name; false with lastError_.
    bool checkedFiles(QStringList* paths);
    // The checks before a zip call: not stopping, files named and fit to add (*paths).
    int filesToAdd(QStringList* paths);
    // Adds the files to the open archive, each stored or deflated, stamped when asked.
    int addFiles(zip_t* archive, const QStringList& paths);
    // Abort was asked for, or the program is asked to stop.
    bool stopping() const;
    int failWith(int code, const QString& text);
    // Gives the entry the stamp's time and a mode without the umask in it.
    bool stampEntry(zip_t* archive, int64_t index, const QString& path);
    void reportProgress(double fraction);

    int level_ = 6;
    QStringList files_;
    QString zipPath_;
    std::atomic<bool> abort_ = false;
    const std::atomic<bool>* stopFlag_ = nullptr;
    std::optional<qint64> stamp_;
    AddingHandler adding_;
    StatusHandler status_;
    QString lastError_;

    // State of the zip call in progress, read by the progress callback.
    std::vector<Pending> pending_;
    size_t announced_ = 0;
    int64_t entryCount_ = 0;
    int lastPercent_ = -1;

    friend struct ZipCallbacks;
};
