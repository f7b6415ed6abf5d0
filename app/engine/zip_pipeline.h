#pragma once

#include "engine/zip_pieces.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class FolderWatch;

// Begins the zips while the archiver writes: a thread of its own puts every volume the
// archiver has finished into its piece (zip_pieces.h), so that once the archiver ends only
// what depends on the set's count is left to do. It never calls the window.
//
// Which bytes are final is not guessed from the archiver. 7-Zip (since 22) writes a volume
// under "NAME.tmp" for as long as any of its bytes may change (the start header of a 7z set,
// at the head of the first volume, is written last; a zip set's local headers are patched
// after the data that follows them, volumes later) and renames it when they cannot; older
// 7-Zips and rar write under the final name and may seek back. So a volume is taken only
// once the system has reported it closed after writing, or moved in under its name, and a
// piece is dropped when its volume is written, re-timed, renamed or removed after it was
// taken: the watch reports every such change, so no piece holds bytes that changed. Once
// the archiver has ended every volume is final, and the volumes without a piece get one then.
class ZipPipeline {
  public:
    // Room the pieces leave: the free bytes of the zip folder's volume (empty when unknown).
    using FreeBytes = std::function<std::optional<int64_t>(const QString& folder)>;

    ZipPipeline();
    ~ZipPipeline(); // stops the thread and removes every piece left
    ZipPipeline(const ZipPipeline&) = delete;
    ZipPipeline& operator=(const ZipPipeline&) = delete;

    // Starts watching the output folder (before the archiver starts) and making pieces.
    // archiveBound is the most the archiver may still write in all, so that pieces on the
    // same volume never take the room it needs. False when the system cannot report the
    // folder's changes: there are no pieces then, and every zip is made whole as before.
    bool start(const PieceSettings& settings, qint64 archiveBound, FreeBytes freeBytes = {});
    bool running() const;

    // The archiver has ended and volumes are its volumes: the thread makes the pieces still
    // missing and ends. Waits at most ms milliseconds; true once it has ended.
    void archiverDone(const QStringList& volumes);
    bool waitDone(int ms);

    // Stops the thread (the piece in hand is abandoned) and removes every piece.
    void discard();

    // Once the thread has ended: the pieces whose volume has not changed since, by volume.
    QHash<QString, ZipPiece> pieces() const;

    // The bytes of the volumes in their pieces now, from any thread.
    qint64 zippedBytes() const { return zipped_.load(); }

  private:
    void work();
    void takeChanges();
    bool roomFor(qint64 volumeBytes);
    // Makes the volume's piece, counting its bytes; false when it cannot be made now.
    bool makeOne(const QString& volume, ZipPiece* piece);
    // Makes the pieces still missing once the archiver has ended, on two threads.
    void makeMissing(const QStringList& missing);
    void drop(const QString& volume);
    void wake();

    PieceSettings settings_;
    qint64 archiveBound_ = 0;
    FreeBytes freeBytes_;
    bool sameVolume_ = true; // output folder and zip folder on one file system
    std::unique_ptr<FolderWatch> watch_;
    std::thread thread_;

    // Owned by the thread while it runs.
    QStringList candidates_;          // closed volumes not yet taken, in order
    QHash<QString, qint64> finished_; // the volumes seen finished, with their sizes
    QHash<QString, ZipPiece> made_;   // pieces whose volume has not changed since
    QSet<QString> failed_;            // volumes whose piece could not be made
    bool blind_ = false;              // the watch lost count: nothing is known closed

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false;         // the thread has ended
    bool archiverDone_ = false; // guarded by mutex_
    QStringList finalVolumes_;  // guarded by mutex_
    std::atomic<bool> stop_{false};
    std::atomic<qint64> zipped_{0};
};
