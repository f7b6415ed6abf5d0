#include "engine/zip_pipeline.h"

#include "engine/leftovers.h"
#include "engine/run_journal.h"
#include "platform/folder_watch.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// Room left on the zip folder's volume beside every piece, for the journal and the rest.
constexpr qint64 kRoomMargin = 64 * 1000 * 1000;

// 7-Zip's name for a volume it may still write ("x.7z.001.tmp"); taking it would be wasted.
bool isUnfinishedName(const QString& name) {
    return name.endsWith(QLatin1String(".tmp"));
}

bool sameFileSystem(const QString& a, const QString& b) {
    struct stat sa {
    }, sb{};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return true;
    return sa.st_dev == sb.st_dev;
}
} // namespace

ZipPipeline::ZipPipeline() = default;

ZipPipeline::~ZipPipeline() {
    discard();
}

bool ZipPipeline::start(const PieceSettings& settings, qint64 archiveBound, FreeBytes freeBytes) {
    settings_ = settings;
    archiveBound_ = archiveBound;
    freeBytes_ = std::move(freeBytes);
    watch_ = std::make_unique<FolderWatch>();
    if (!watch_->watch(settings.outputFolder)) {
        watch_.reset();
        return false;
    }
    sameVolume_ = sameFileSystem(settings.outputFolder, settings.zipDir);
    // What a run killed outright left (pieces, temporary zips) takes room the new ones need.
    removeAbandonedLeftovers(settings.zipDir);
    try {
        thread_ = std::thread([this] { work(); });
    } catch (const std::system_error&) {
        watch_.reset();
        return false;
    }
    return true;
}

bool ZipPipeline::running() const {
    return thread_.joinable();
}

void ZipPipeline::archiverDone(const QStringList& volumes) {
    {
        std::lock_guard lock(mutex_);
        archiverDone_ = true;
        finalVolumes_ = volumes;
    }
    wake();
}

void ZipPipeline::wake() {
    if (watch_)
        watch_->wake();
    changed_.notify_all();
}

bool ZipPipeline::waitDone(int ms) {
    if (!thread_.joinable())
        return true;
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return done_; }))
        return false;
    lock.unlock();
    thread_.join();
    return true;
}

void ZipPipeline::discard() {
    stop_ = true;
    wake();
    if (thread_.joinable())
        thread_.join();
    for (const ZipPiece& piece : std::as_const(made_))
        QFile::remove(piece.path);
    made_.clear();
    zipped_ = 0;
}

QHash<QString, ZipPiece> ZipPipeline::pieces() const {
    std::lock_guard lock(mutex_);
    return done_ ? made_ : QHash<QString, ZipPiece>();
}

void ZipPipeline::drop(const QString& volume) {
    candidates_.removeAll(volume);
    const auto piece = made_.constFind(volume);
    if (piece == made_.constEnd())
        return;
    QFile::remove(piece->path);
    zipped_ -= piece->volumeSize;
    made_.erase(piece);
}

void ZipPipeline::takeChanges() {
    for (const FolderWatch::Change& change : watch_->take()) {
        if (change.kind == FolderWatch::Kind::Lost) {
            // Anything may have changed: no piece can be trusted, no volume known closed.
            blind_ = true;
            for (const QString& volume : made_.keys())
                drop(volume);
            candidates_.clear();
            continue;
        }
        // Whatever happens to a volume after it was taken, its piece no longer holds it.
        drop(change.name);
        if (isJournalFile(change.name) || isUnfinishedName(change.name)) {
            continue;
        }
        if (change.kind == FolderWatch::Kind::Changed) {
            finished_.remove(change.name);
            continue;
        }
        struct stat st {};
        const QString path = settings_.outputFolder + QLatin1Char('/') + change.name;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        finished_.insert(change.name, st.st_size);
        if (!blind_)
            candidates_.append(change.name);
    }
}

bool ZipPipeline::roomFor(qint64 volumeBytes) {
    if (!freeBytes_)
        return true;
    const std::optional<int64_t> free = freeBytes_(settings_.zipDir);
    if (!free)
        return true;
    qint64 need = volumeBytes + kRoomMargin;
    std::unique_lock lock(mutex_);
    // While the archiver writes on the same volume, its pieces leave it what it may still
    // write: at most its bound, less the volumes it has finished.
    if (sameVolume_ && !archiverDone_) {
        qint64 archived = 0;
        for (qint64 size : std::as_const(finished_))
            archived += size;
        need += std::max<qint64>(0, archiveBound_ - archived);
    }
    return *free >= need;
}

bool ZipPipeline::makeOne(const QString& volume, ZipPiece* piece) {
    struct stat st {};
    const QString path = settings_.outputFolder + QLatin1Char('/') + volume;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !roomFor(st.st_size) ||
        !makePiece(settings_, volume, piece, &stop_, nullptr))
        return false;
    zipped_ += piece->volumeSize;
    return true;
}

void ZipPipeline::makeMissing(const QStringList& missing) {
    // The archiver has ended and both cores are free: a second thread makes every other piece.
    std::vector<std::optional<ZipPiece>> pieces(size_t(missing.size()));
    auto makeShare = [&](qsizetype first) {
        for (qsizetype i = first; i < missing.size() && !stop_; i += 2) {
            ZipPiece piece;
            if (makeOne(missing[i], &piece))
                pieces[size_t(i)] = piece;
        }
    };
    std::thread second;
    if (missing.size() > 1) {
        try {
            second = std::thread(makeShare, 1);
        } catch (const std::system_error&) {
        }
    }
    makeShare(0);
    if (second.joinable())
        second.join();
    else if (missing.size() > 1)
        makeShare(1);
    for (qsizetype i = 0; i < missing.size(); ++i) {
        if (pieces[size_t(i)])
            made_.insert(missing[i], *pieces[size_t(i)]);
        else
            failed_.insert(missing[i]);
    }
}

void ZipPipeline::work() {
    QSet<QString> triedEarly; // failed while the archiver wrote: tried once more after it
    if (!settings_.probeFolder.isEmpty())
        settings_.writeStored =
            storedZipMatchesComponent(settings_.probeFolder, settings_.stampTime);
    while (!stop_) {
        takeChanges();
        bool ended = false;
        QStringList finals;
        {
            std::lock_guard lock(mutex_);
            ended = archiverDone_;
            finals = finalVolumes_;
        }
        if (ended) {
            QStringList missing;
            for (const QString& volume : std::as_const(finals))
                if (!made_.contains(volume) && !failed_.contains(volume))
                    missing << volume;
            if (missing.isEmpty())
                break;
            makeMissing(missing);
            continue;
        }
        QString next;
        while (next.isEmpty() && !candidates_.isEmpty()) {
            const QString volume = candidates_.takeFirst();
            if (!made_.contains(volume) && !triedEarly.contains(volume))
                next = volume;
        }
        if (next.isEmpty()) {
            watch_->wait(-1);
            // Writes come in bursts: a moment lets each file's gather into one change.
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, std::chrono::milliseconds(50),
                              [this] { return archiverDone_ || stop_; });
            continue;
        }
        ZipPiece piece;
        if (makeOne(next, &piece))
            made_.insert(next, piece);
        else
            triedEarly.insert(next);
    }
    {
        std::lock_guard lock(mutex_);
        done_ = true;
    }
    changed_.notify_all();
}
