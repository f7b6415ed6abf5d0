// The zips begun while the archiver writes (zip_pipeline.h): started with the archiver,
// awaited once it has ended, joined before the zips made whole.
#include "engine/rip_run.h"

#include "engine/zip_pieces.h"
#include "job/window_port.h"
#include "platform/paths.h"
#include "platform/stop_signals.h"

#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

namespace {

// Free bytes of a folder's volume, for the thread that makes pieces (the machine port is the
// window thread's).
std::optional<int64_t> freeBytesOf(const QString& folder) {
    struct statvfs st {};
    if (::statvfs(QFile::encodeName(folder).constData(), &st) != 0)
        return std::nullopt;
    return int64_t(st.f_bavail) * int64_t(st.f_frsize);
}

} // namespace

void RipRun::startPipeline(Pass& pass) {
    if (pass.job.RawArchivesOnly || !zipWhileArchiving_)
        return;
    PieceSettings settings;
    settings.outputFolder = pass.outputFolder;
    settings.zipDir = pass.job.ZipDir;
    settings.level = pass.plan.compressionLevel;
    settings.stampTime = pass.plan.stampTime;
    const QString work = AppPaths::workFolder();
    settings.probeFolder = work;
    // The most the archiver can write: an archive of data that does not compress is a little
    // larger than its source.
    const qint64 source = qint64(double(pass.options.sourceSizeM) * 1e6);
    auto pipeline = std::make_unique<ZipPipeline>();
    if (!pipeline->start(settings, source + source / 20 + 64 * 1000 * 1000, freeBytesOf))
        return;
    pass.pipeline = std::move(pipeline);
    pipeline_ = pass.pipeline.get();
}

std::optional<RipResult> RipRun::awaitPieces(Pass& pass, const QStringList& volumes) {
    if (!pass.pipeline) {
        pipeline_ = nullptr;
        return std::nullopt;
    }
    qint64 volumeBytes = 0;
    for (const QString& volume : volumes)
        volumeBytes += QFileInfo(joinPath(pass.outputFolder, volume)).size();
    // Every volume is final now: the pieces still missing are made, the window kept alive.
    pass.pipeline->archiverDone(volumes);
    while (!pass.pipeline->waitDone(25)) {
        window_.setRunBytes(RunPhase::Zipping, pass.pipeline->zippedBytes(), volumeBytes);
        window_.processEvents();
        if (StopSignals::requested() || aborted_) {
            pipeline_ = nullptr;
            pass.pipeline.reset();
            const int signal = StopSignals::requested();
            return errorPath(
                signal
                    ? QStringLiteral("stopped by %1").arg(QLatin1String(StopSignals::name(signal)))
                    : kAbortedText,
                pass.outputFolder);
        }
    }
    pass.pieces = pass.pipeline->pieces();
    window_.setRunBytes(RunPhase::Zipping, pass.pipeline->zippedBytes(), volumeBytes);
    pipeline_ = nullptr;
    return std::nullopt;
}

WrapResult RipRun::joinPieces(Pass& pass, QList<int>* whole, qint64* joinedBytes, QString* error) {
    RunPlan rest = pass.plan;
    rest.zips.clear();
    for (int i : std::as_const(*whole))
        rest.zips << pass.plan.zips[i];
    // The zips joined at once are recorded together, before their volumes go.
    auto recordZips = [&pass](const QList<FileRecord>& zips, QString* why) {
        if (!pass.journal)
            return true;
        pass.journal->zips << zips;
        return writeJournal(pass.outputFolder, *pass.journal, why);
    };
    WrapContext context{rest, pass.job, window_, machine_, zip_, 0, {}};
    QList<int> left;
    const WrapResult joined = wrapPieces(context, pass.pieces, recordZips, &left, error);
    diskNumber_ = context.diskNumber;
    QList<int> still;
    for (int i : std::as_const(left))
        still << (*whole)[i];
    // The bytes of the volumes zipped: those of the zips joined.
    *joinedBytes = 0;
    for (qsizetype i = 0; i < rest.zips.size(); ++i)
        if (!left.contains(int(i)))
            *joinedBytes += pass.pieces.value(rest.zips[i].entries.front().name).volumeSize;
    *whole = still;
    pass.pieces.clear();
    pass.pipeline.reset();
    return joined;
}
