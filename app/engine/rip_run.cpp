#include "engine/rip_run.h"

#include "engine/archiver_command.h"
#include "engine/leftovers.h"
#include "engine/resume_check.h"
#include "engine/zip_component.h"
#include "engine/zip_pieces.h"
#include "engine/zip_wrapping.h"
#include "job/machine_port.h"
#include "job/text_lines.h"
#include "job/volume_rules.h"
#include "job/window_port.h"
#include "platform/file_read.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"
#include "platform/process_runner.h"
#include "platform/stop_signals.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString stoppedBy(int signal) {
    return QStringLiteral("stopped by %1").arg(QLatin1String(StopSignals::name(signal)));
}

QString g_commandLineWorkLocation;

} // namespace

QString defaultWorkLocation() {
    return g_commandLineWorkLocation.isEmpty() ? QDir::homePath() : g_commandLineWorkLocation;
}

void setCommandLineWorkLocation(const QString& folder) {
    g_commandLineWorkLocation = folder;
}

QString claimOutputFolder(const QString& workLocation, QString* error) {
    for (int i = 1; i < 100000; ++i) {
        const QString path = joinPath(workLocation, outputFolderName(i));
        if (::mkdir(QFile::encodeName(path).constData(), 0755) == 0)
            return path;
        if (errno != EEXIST) {
            if (error)
                *error = QStringLiteral("cannot create the output folder %1: %2")
                             .arg(path, QString::fromLocal8Bit(strerror(errno)));
            return {};
        }
    }
    if (error)
        *error = QStringLiteral("no free output folder name in %1").arg(workLocation);
    return {};
}

QString overwriteQuestion(const RunPlan& plan) {
    const qsizetype zips =
        std::count_if(plan.olderSet.cbegin(), plan.olderSet.cend(), [](const QString& path) {
            return path.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive);
        });
    const qsizetype others = plan.olderSet.size() - zips;
    const QString set = QLatin1Char('"') + printableText(plan.stem) + QLatin1Char('"');
    QString line;
    if (plan.olderSet.isEmpty()) {
        line = QStringLiteral("No zip of the set %1 is there to replace; other files only "
                              "begin with its name.")
                   .arg(set);
    } else {
        line = (zips == 1 ? QStringLiteral("1 zip") : QStringLiteral("%1 zips").arg(zips)) +
               QStringLiteral(" of the set %1").arg(set);
        if (others > 0)
            line += QStringLiteral(" and %1 more of its files (SFV, PAR2)").arg(others);
        line += QStringLiteral(" will be replaced.");
    }
    if (!plan.leftAlone.isEmpty() && !plan.olderSet.isEmpty())
        line += QStringLiteral(" Left alone, as not of the set: %1.")
                    .arg(printableText(plan.leftAlone.join(QStringLiteral(", "))));
    return kDuplicateZipText + QStringLiteral("\n\n") + line;
}

RipRun::RipRun(WindowPort& window, MachinePort& machine, ZipComponent& zip, const RunFlags& flags)
    : window_(window), machine_(machine), zip_(zip), flags_(flags) {}

void RipRun::resetCounters() {
    numbering_ = {};
    diskNumber_ = 0;
    diskCount_ = 0;
}

void RipRun::showProgressPage() {
    window_.showPage(Page::Progress);
    window_.setStatusText({});
    window_.setNameText({});
    window_.setCountText({});
    window_.setProgress(0);
}

RipResult RipRun::stopAt(Page page, const QString& focus, const QString& reason) {
    if (!flags_.batch())
        window_.showPage(page, focus);
    RipResult r;
    r.outcome = RipOutcome::Stopped;
    r.reason = reason;
    return r;
}

namespace {

bool journalListsZips(const QString& outputFolder) {
    const JournalRead read = readJournal(outputFolder);
    return read.ok && !read.journal.zips.isEmpty();
}

} // namespace

RipResult RipRun::errorPath(const QString& reason, const QString& outputFolder) {
    window_.restore();
    window_.setPageBarEnabled(true);
    window_.setBusyPointer(false);
    window_.setSourceDisplay(sourcePath_);
    window_.setNameText({});
    window_.setStatusText(printableText(reason));
    resetCounters();
    // An output folder without a volume is of no use to anyone, nor is its journal; but a run
    // stopped once its zips are made keeps the journal, which finishes the set (SFV, PAR2).
    if (!outputFolder.isEmpty() && entriesBesideJournal(outputFolder).isEmpty() &&
        !(StopSignals::requested() && journalListsZips(outputFolder)) &&
        removeJournal(outputFolder))
        QDir().rmdir(outputFolder);
    RipResult r;
    r.outcome = RipOutcome::Failed;
    r.reason = reason;
    r.outputFolder = QFileInfo::exists(outputFolder) ? outputFolder : QString();
    r.resumable = !r.outputFolder.isEmpty() && hasJournal(outputFolder);
    return r;
}

RipResult RipRun::stopOn(const PlanFault& fault) {
    numbering_.NumberingValid = fault.page != Page::Diz;
    if (!flags_.batch() && !fault.box.isEmpty())
        window_.message(printableText(fault.box), fault.boxTitle, fault.boxIcon,
                        MessageButtons::Ok);
    return stopAt(fault.page, fault.focus, fault.text);
}

bool RipRun::removeOlderSet(const RunPlan& plan, const QStringList& kept, QStringList* removed,
                            QString* error) {
    for (const QString& path : plan.olderSet) {
        if (kept.contains(path))
            continue;
        // A link in the set's place goes itself; what it points to is not ours.
        if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT) {
            *error = QStringLiteral("cannot remove %1 of the older set: %2")
                         .arg(path, QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
        removed->append(fileNamePart(path));
    }
    return true;
}

RipResult RipRun::run(const JobSettings& job, const PlanFacts& facts, PlanOptions options) {
    const auto running = runningScope();
    aborted_ = false;
    if (!flags_.batch())
        showProgressPage();

    options.flags = flags_;
    options.workLocation = job.WorkDrive.isEmpty() ? defaultWorkLocation() : job.WorkDrive;
    options.outputFolder = firstFreeOutputFolder(options.workLocation);
    options.listFile = AppPaths::scratchFile(QStringLiteral("skip.txt"));
    RunPlan plan = planRun(job, facts, options);
    if (plan.fault && plan.fault->stage == PlanFault::Stage::Job)
        return stopOn(*plan.fault);
    if (!job.RawArchivesOnly && !flags_.batch() && plan.zipNameTaken) {
        if (window_.message(overwriteQuestion(plan), kErrorTitle, MessageIcon::Exclamation,
                            MessageButtons::OkCancel) == MessageAnswer::Cancel) {
            RipResult r;
            r.reason = QStringLiteral("Cancelled");
            return r;
        }
    }
    if (plan.fault)
        return stopOn(*plan.fault);
    numbering_.NumberingValid = true;

    sourcePath_ = job.SourceSpec;
    QString error;
    if (!plan.listFile.isEmpty() && !writeExclusionList(plan.exclusionText, plan.listFile, &error))
        return errorPath(error, {});
    Pass pass;
    pass.job = job;
    pass.facts = facts;
    // Judged again as it is then, before the first zip: what the folder held when the run
    // began may have changed while the archiver ran.
    pass.facts.zipFolder.clear();
    pass.outputFolder = claimOutputFolder(options.workLocation, &error);
    if (pass.outputFolder.isEmpty())
        return errorPath(error, {});
    options.outputFolder = pass.outputFolder;
    pass.options = options;
    pass.plan = planRun(job, facts, options);
    if (!job.RawArchivesOnly)
        if (auto ended = beginJournal(pass))
            return *ended;
    return archiveAndZip(pass);
}

std::optional<RipResult> RipRun::beginJournal(Pass& pass) {
    QString error;
    if (!pass.lock.lock(pass.outputFolder, &error))
        return errorPath(error, pass.outputFolder);
    pass.journal = journalFor(pass.job, pass.facts, pass.options, &error);
    if (!pass.journal || !writeJournal(pass.outputFolder, *pass.journal, &error))
        return errorPath(error, pass.outputFolder);
    return std::nullopt;
}

RipResult RipRun::archiveAndZip(Pass& pass) {
    QStringList volumes;
    if (auto ended = archive(pass, &volumes))
        return *ended;
    if (pass.job.RawArchivesOnly) {
        const bool rar = pass.job.Archiver == ArchiverKind::Rar;
        window_.setCountText(platformNumberText(diskCount_) +
                             (rar ? QStringLiteral(" Rar's") : QStringLiteral(" Ace's")));
        return complete(pass);
    }
    if (auto ended = recordVolumes(pass, volumes))
        return *ended;
    QList<int> all;
    for (int i = 0; i < pass.plan.zips.size(); ++i)
        all << i;
    if (auto ended = zipPhase(pass, all))
        return *ended;
    return complete(pass);
}

std::optional<RipResult> RipRun::archive(Pass& pass, QStringList* volumes) {
    const JobSettings& job = pass.job;
    const QString& outputFolder = pass.outputFolder;
    window_.minimise();
    window_.processEvents();
    if (job.Archiver == ArchiverKind::Rar)
        window_.setSourceDisplay(QLatin1Char('"') + job.SourceSpec + QLatin1Char('"'));
    Command archiver = pass.plan.archiver;
    // What the archiver says goes into the one line that reports its failure.
    archiver.stderrFile = AppPaths::scratchFile(QStringLiteral("archiver.err"));
    // The archiver's percentage is of the source it has read; the zips to come are counted
    // at the source's size until the volumes are there, which they hardly exceed.
    const qint64 sourceBytes = qint64(double(pass.options.sourceSizeM) * 1e6);
    window_.setRunBytes(RunPhase::Archiving, 0, sourceBytes);
    if (!job.RawArchivesOnly)
        window_.setRunBytes(RunPhase::Zipping, 0, sourceBytes);
    startPipeline(pass);
    const int status = machine_.runWithProgress(archiver, [this, sourceBytes](int percent) {
        window_.setArchiverProgress(percent);
        window_.setRunBytes(RunPhase::Archiving, sourceBytes * percent / 100, sourceBytes);
        // The volumes begun in their zips meanwhile.
        if (pipeline_)
            window_.setRunBytes(RunPhase::Zipping, pipeline_->zippedBytes(), sourceBytes);
    });
    window_.setArchiverProgress(-1);
    window_.setRunBytes(RunPhase::Archiving, sourceBytes, sourceBytes);
    // Whatever ends here, no piece outlives the pass: begun zips are finished or removed.
    const auto noPieces = qScopeGuard([this, &pass] {
        pipeline_ = nullptr;
        if (pass.pipeline && pass.pieces.isEmpty())
            pass.pipeline.reset();
    });
    if (flags_.batch())
        window_.showPage(Page::Progress);
    window_.restore();
    window_.processEvents();

    if (const int signal = StopSignals::requested())
        return errorPath(stoppedBy(signal), outputFolder);
    // Abort while the archiver ran stopped it: what it wrote stays, and with volumes and the
    // journal the run can be resumed.
    if (aborted_)
        return errorPath(kAbortedText, outputFolder);
    *volumes = listVolumes(outputFolder);
    if (status != 0 || volumes->isEmpty()) {
        QString reason =
            status == kCouldNotStart ? QStringLiteral("The archiver could not be started")
            : status != 0 ? QStringLiteral("The archiver failed (exit status %1)").arg(status)
                          : kArchiverFailedText;
        if (const QString said = lastErrorLine(archiver); !said.isEmpty())
            reason += QStringLiteral(": ") + said;
        if (!flags_.batch())
            window_.message(printableText(reason), kErrorTitle, MessageIcon::Exclamation,
                            MessageButtons::Ok);
        return errorPath(reason, outputFolder);
    }
    // The set as the archiver made it: its real count decides the numbers.
    pass.options.volumes = int(volumes->size());
    pass.plan = planRun(job, pass.facts, pass.options);
    if (pass.plan.fault)
        return errorPath(pass.plan.fault->text, outputFolder);
    bindVolumes(pass.plan, outputFolder, *volumes);
    zip_.setCompressionLevel(pass.plan.compressionLevel);
    diskCount_ = int16_t(qMin<qsizetype>(volumes->size(), INT16_MAX));
    return awaitPieces(pass, *volumes);
}

std::optional<RipResult> RipRun::recordVolumes(Pass& pass, const QStringList& volumes) {
    if (!pass.journal)
        return std::nullopt;
    QString error;
    pass.journal->volumes.clear();
    for (const QString& name : volumes) {
        const QString path = joinPath(pass.outputFolder, name);
        FileRecord record{name, QFileInfo(path).size(), 0};
        // A piece read its volume whole; only a volume without one is read again.
        const auto piece = pass.pieces.constFind(name);
        if (piece != pass.pieces.constEnd() && pieceStillHolds(*piece, path, nullptr))
            record = {name, piece->volumeSize, piece->volumeCrc};
        else if (!fileCrc32(path, &record.crc, &error))
            return errorPath(error, pass.outputFolder);
        pass.journal->volumes << record;
    }
    pass.journal->archived = true;
    if (!writeJournal(pass.outputFolder, *pass.journal, &error))
        return errorPath(error, pass.outputFolder);
    return std::nullopt;
}

std::optional<RipResult> RipRun::clearTheWay(Pass& pass) {
    removeAbandonedLeftovers(pass.job.ZipDir);
    // The folder as it is now, not as it was when the run began: another run may have made a
    // set of this name meanwhile, or a file may have come to stand on one of its names.
    judgeZipFolder(pass.plan, pass.job, readZipFolder(pass.job.ZipDir, pass.job.ZipName),
                   pass.keptZips);
    QString error;
    if (pass.plan.fault)
        error = pass.plan.fault->text;
    // The older set goes before the first new zip: a run that fails from here on leaves an
    // incomplete new set, never a mix of two.
    else if (removeOlderSet(pass.plan, pass.keptZips, &pass.replaced, &error))
        return std::nullopt;
    pass.plan.fault.reset();
    RipResult failed = errorPath(error, pass.outputFolder);
    failed.plan = pass.plan;
    failed.replaced = pass.replaced;
    failed.notes = pass.notes;
    return failed;
}

std::optional<RipResult> RipRun::zipPhase(Pass& pass, const QList<int>& remaining) {
    if (auto ended = clearTheWay(pass))
        return ended;
    window_.setBusyPointer(true);
    window_.processEvents();
    window_.setPageBarEnabled(false);

    QList<int> whole = remaining;
    QString wrapError;
    WrapResult wrapped = WrapResult::Completed;
    qint64 zippedBefore = 0;
    if (!pass.pieces.isEmpty())
        wrapped = joinPieces(pass, &whole, &zippedBefore, &wrapError);
    if (wrapped == WrapResult::Completed && !whole.isEmpty()) {
        RunPlan rest = pass.plan;
        rest.zips.clear();
        for (int i : std::as_const(whole))
            rest.zips << pass.plan.zips[i];
        // Each zip is recorded before its volume goes, so the journal never lacks a zip whose
        // volume is gone.
        auto recordZip = [&pass](const PlannedZip&, const QString& path, QString* why) {
            if (!pass.journal)
                return true;
            FileRecord record{fileNamePart(path), QFileInfo(path).size(), 0};
            if (!fileCrc32(path, &record.crc, why))
                return false;
            pass.journal->zips << record;
            return writeJournal(pass.outputFolder, *pass.journal, why);
        };
        WrapContext context{rest, pass.job, window_, machine_, zip_, 0, recordZip, zippedBefore};
        wrapped = wrapVolumes(context, &wrapError);
        diskNumber_ = context.diskNumber;
    }
    if (wrapped == WrapResult::Completed)
        return std::nullopt;
    window_.setProgress(0);
    if (const int signal = StopSignals::requested())
        wrapError = stoppedBy(signal);
    else if (aborted_) {
        // The zip and count on display belong to a set that will not be finished.
        window_.setCountText({});
        wrapError = kAbortedText;
    }
    RipResult failed = errorPath(wrapError.isEmpty() ? QStringLiteral("Zipping failed") : wrapError,
                                 pass.outputFolder);
    // The set whose older files went is named in the report.
    failed.plan = pass.plan;
    failed.replaced = pass.replaced;
    failed.notes = pass.notes;
    return failed;
}

RipResult RipRun::complete(Pass& pass) {
    const JobSettings& job = pass.job;
    RipResult result;
    result.plan = pass.plan;
    result.replaced = pass.replaced;
    result.notes = pass.notes;
    result.volumes = diskCount_;
    if (!job.RawArchivesOnly)
        for (const PlannedZip& zip : pass.plan.zips)
            result.zips << zip.path;
    if (!job.RawArchivesOnly && afterZips_) {
        window_.setPageBarEnabled(true);
        result.after = afterZips_(pass.plan, result.zips);
        // Stopped during the steps after the last zip: the journal takes them again.
        if (const int signal = StopSignals::requested()) {
            RipResult stopped = errorPath(stoppedBy(signal), pass.outputFolder);
            stopped.notes = pass.notes;
            stopped.volumes = result.volumes;
            stopped.zips = result.zips;
            return stopped;
        }
    }

    const bool rar = job.Archiver == ArchiverKind::Rar;
    const QString& outputFolder = pass.outputFolder;
    window_.setPageBarEnabled(true);
    window_.setBusyPointer(false);
    if (!flags_.batch())
        machine_.playSound(QStringLiteral("\\rip.wav"), false);
    window_.setProgress(0);
    window_.setStatusText(job.RawArchivesOnly ? kRippingCompleteText + QStringLiteral("\r\r") +
                                                    (rar ? QStringLiteral("Rar's are in ")
                                                         : QStringLiteral("Ace's are in ")) +
                                                    printableText(outputFolder)
                                              : kRippingCompleteText);
    window_.setNameText({});
    window_.processEvents();

    // After a zip run the folder holds only the journal, which goes with it; the volumes of an
    // archives-only run stay where the label says they are.
    if (!job.RawArchivesOnly)
        removeJournal(outputFolder);
    const bool folderKept = QFileInfo::exists(outputFolder) && !QDir().rmdir(outputFolder);
    window_.setSourceDisplay(sourcePath_);
    resetCounters();
    if (!folderKept) {
        window_.processEvents();
        result.outcome = RipOutcome::Completed;
        return result;
    }
    result.outputFolder = outputFolder;
    if (job.RawArchivesOnly) {
        result.outcome = RipOutcome::ArchivesKept;
        return result;
    }
    // The set is whole: what else the folder holds is not the run's to remove.
    const QStringList others =
        QDir(outputFolder)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    result.outcome = RipOutcome::Completed;
    result.outputFolder.clear();
    result.notes << (others.isEmpty()
                         ? QStringLiteral("The output folder %1 was kept: it could not be removed")
                               .arg(outputFolder)
                         : QStringLiteral(
                               "The output folder %1 was kept: it holds other files (%2)")
                               .arg(outputFolder, others.join(QStringLiteral(", "))));
    return result;
}

void RipRun::abort() {
    aborted_ = true;
    zip_.setAbort(true);
    window_.setPageBarEnabled(true);
    window_.setBusyPointer(false);
    window_.setSourceDisplay(sourcePath_);
}

void RipRun::exit() {
    abort();
    window_.closeWindow();
}
