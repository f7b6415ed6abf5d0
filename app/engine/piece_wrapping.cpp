#include "companion/diz_numbering.h"
#include "engine/run_journal.h"
#include "engine/run_plan.h"
#include "engine/zip_component.h"
#include "engine/zip_pieces.h"
#include "engine/zip_wrapping.h"
#include "job/text_lines.h"
#include "job/window_port.h"
#include "platform/file_read.h"
#include "platform/paths.h"
#include "platform/stop_signals.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace {

// Zips recorded together: the journal is written once for them, not once per zip.
constexpr int kBatchMs = 250;
// How often the window gets to handle its events while zips are joined.
constexpr int kEventsMs = 30;

// The comment as the comment step would set it: the file's bytes, when it takes them. What
// it refuses (more than the format holds, or bytes that would read as an end record) is left
// to it: those zips are made whole, and the step fails as it always did.
bool commentToJoin(const QString& commentFile, QByteArray* comment) {
    comment->clear();
    if (commentFile.isEmpty())
        return true;
    QString error;
    return readRegularFile(commentFile, 0xffff, comment, &error) &&
           !comment->contains(QByteArrayView("PK\x05\x06", 4));
}

// The zips joined and named but not yet recorded: the journal is told of them together,
// then their volumes are deleted.
class MadeZips {
  public:
    explicit MadeZips(const ZipsDoneHandler& zipsDone) : zipsDone_(zipsDone) {}

    void add(const FileRecord& zip, const QString& volume) {
        zips_ << zip;
        volumes_ << volume;
    }

    // Records them, then deletes their volumes; false, saying why, when either fails.
    bool record(QString* error) {
        if (zips_.isEmpty())
            return true;
        if (zipsDone_ && !zipsDone_(zips_, error))
            return false;
        for (const QString& volume : volumes_) {
            if (!QFile::remove(volume)) {
                *error = QStringLiteral("Deleting the volume %1 failed").arg(volume);
                return false;
            }
        }
        zips_.clear();
        volumes_.clear();
        return true;
    }

  private:
    const ZipsDoneHandler& zipsDone_;
    QList<FileRecord> zips_;
    QStringList volumes_;
};

} // namespace

WrapResult wrapPieces(WrapContext& cx, const QHash<QString, ZipPiece>& pieces,
                      const ZipsDoneHandler& zipsDone, QList<int>* left, QString* errorText) {
    const RunPlan& plan = cx.plan;
    WindowPort& window = cx.window;
    left->clear();
    QString detail;
    auto fail = [&](WrapResult result, const QString& text) {
        if (errorText)
            *errorText = text;
        return result;
    };

    if (!plan.commentFile.isEmpty() && !QFileInfo(plan.commentFile).isFile())
        return fail(WrapResult::RunError,
                    QStringLiteral("Comment file missing: %1").arg(plan.commentFile));
    QByteArray comment;
    const QString work = AppPaths::workFolder();
    const bool joinable = !work.isEmpty() && commentToJoin(plan.commentFile, &comment);
    QString nfoCopy;
    if (joinable && !writeNfoCopy(plan, cx.job, &nfoCopy, &detail))
        return fail(WrapResult::RunError, detail);
    const QString dizCopy = dizWorkingCopyPath();
    PieceJoiner joiner(plan, work);

    MadeZips made(zipsDone);
    auto recordMade = [&] { return made.record(&detail); };

    // Stopped by a signal, Abort or Exit: the zips complete are kept and recorded.
    auto stopped = [&]() {
        window.setProgress(0);
        if (!recordMade())
            return fail(WrapResult::RunError, detail);
        const int signal = StopSignals::requested();
        return fail(
            WrapResult::ZipFailed,
            signal ? QStringLiteral("Stopped by %1").arg(QLatin1String(StopSignals::name(signal)))
                   : QStringLiteral("Aborted"));
    };

    QElapsedTimer sinceRecord, sinceEvents;
    sinceRecord.start();
    sinceEvents.start();
    const int diskCount = plan.volumeCount;
    for (qsizetype i = 0; i < plan.zips.size(); ++i) {
        const PlannedZip& planned = plan.zips[i];
        const PlanEntry& volume = planned.entries.front();
        if (StopSignals::requested() || cx.zip.abort())
            return stopped();
        const auto piece = pieces.constFind(volume.name);
        if (!joinable || piece == pieces.constEnd()) {
            *left << int(i);
            continue;
        }
        cx.diskNumber = int16_t(planned.number);
        window.setNameText(printableText(planned.shownName));
        window.setCountText(diskCountText(planned.number, diskCount));
        window.setStatusText(printableText(volume.name.toLower()));
        if (!writeWorkingCopy(dizCopy, planned.dizText, cx.job.DizFile, plan.stampTime, &detail)) {
            recordMade();
            return fail(WrapResult::RunError,
                        QStringLiteral("Writing file_id.diz failed: %1").arg(detail));
        }
        FileRecord zip;
        if (!pieceStillHolds(*piece, volume.source, &detail) ||
            !joiner.join(*piece, planned, dizCopy, nfoCopy, comment, &zip, &detail)) {
            QFile::remove(piece->path);
            *left << int(i);
            continue;
        }
        // The zip is written; Abort and Exit still stop it before it is named.
        window.setProgress(100);
        if (StopSignals::requested() || cx.zip.abort()) {
            QFile::remove(piece->path);
            return stopped();
        }
        if (!PieceJoiner::name(*piece, planned, &detail)) {
            QFile::remove(piece->path);
            *left << int(i);
            continue;
        }
        window.setProgress(0);
        made.add(zip, volume.source);
        if (sinceRecord.elapsed() >= kBatchMs) {
            if (!recordMade())
                return fail(WrapResult::RunError, detail);
            sinceRecord.restart();
        }
        if (sinceEvents.elapsed() >= kEventsMs) {
            window.processEvents();
            sinceEvents.restart();
        }
    }
    if (!recordMade())
        return fail(WrapResult::RunError, detail);
    return WrapResult::Completed;
}
