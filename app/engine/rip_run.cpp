#include "engine/rip_run.h"

#include "engine/archiver_command.h"
#include "engine/zip_component.h"
#include "engine/zip_wrapping.h"
#include "job/machine_port.h"
#include "job/text_lines.h"
#include "job/volume_rules.h"
#include "job/window_port.h"
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
// Resets the running flag however the run ends.
struct RunningScope {
    bool& flag;
    explicit RunningScope(bool& f) : flag(f) { flag = true; }
    ~RunningScope() { flag = false; }
};

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
    return kDuplicateZipText + QStringLiteral("\n\n") + line;
}

RipRun::RipRun(WindowPort& window, MachinePort& machine, ZipComponent& zip, const RunFlags& flags)
    : window_(window), machine_(machine), zip_(zip), flags_(flags) {}

void RipRun::resetCounters() {
    numbering_ = {};
    diskNumber_ = 0;
    diskCount_ = 0;
}

RipResult RipRun::stopAt(Page page, const QString& focus, const QString& reason) {
    if (!flags_.batch())
        window_.showPage(page, focus);
    RipResult r;
    r.outcome = RipOutcome::Stopped;
    r.reason = reason;
    return r;
}

RipResult RipRun::errorPath(const QString& reason, const QString& outputFolder) {
    window_.restore();
    window_.setPageBarEnabled(true);
    window_.setBusyPointer(false);
    window_.setSourceDisplay(sourcePath_);
    window_.setNameText({});
    window_.setStatusText(printableText(reason));
    resetCounters();
    // An output folder the archiver left empty is of no use to anyone.
    if (!outputFolder.isEmpty() && QDir(outputFolder).isEmpty())
        QDir().rmdir(outputFolder);
    RipResult r;
    r.outcome = RipOutcome::Failed;
    r.reason = reason;
    r.outputFolder = QFileInfo::exists(outputFolder) ? outputFolder : QString();
    return r;
}

RipResult RipRun::stopOn(const PlanFault& fault) {
    numbering_.NumberingValid = fault.page != Page::Diz;
    if (!flags_.batch() && !fault.box.isEmpty())
        window_.message(printableText(fault.box), fault.boxTitle, fault.boxIcon,
                        MessageButtons::Ok);
    return stopAt(fault.page, fault.focus, fault.text);
}

bool RipRun::removeOlderSet(const RunPlan& plan, QStringList* removed, QString* error) {
    for (const QString& path : plan.olderSet) {
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
    RunningScope scope(running_);
    aborted_ = false;
    madeZips_.clear();
    if (!flags_.batch()) {
        window_.showPage(Page::Progress);
        window_.setStatusText({});
        window_.setNameText({});
        window_.setCountText({});
        window_.setProgress(0);
    }

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
    const QString outputFolder = claimOutputFolder(options.workLocation, &error);
    if (outputFolder.isEmpty())
        return errorPath(error, {});
    options.outputFolder = outputFolder;
    plan = planRun(job, facts, options);

    window_.minimise();
    window_.processEvents();
    if (job.Archiver == ArchiverKind::Rar)
        window_.setSourceDisplay(QLatin1Char('"') + job.SourceSpec + QLatin1Char('"'));
    Command archiver = plan.archiver;
    // What the archiver says goes into the one line that reports its failure.
    archiver.stderrFile = AppPaths::scratchFile(QStringLiteral("archiver.err"));
    // The archiver's own percentage is all there is to see while the window is minimised.
    const int status = machine_.runWithProgress(
        archiver, [this](int percent) { window_.setArchiverProgress(percent); });
    window_.setArchiverProgress(-1);
    if (flags_.batch())
        window_.showPage(Page::Progress);
    window_.restore();
    window_.processEvents();

    if (const int signal = StopSignals::requested())
        return errorPath(stoppedBy(signal), outputFolder);
    // Abort while the archiver ran stopped it: the volumes it made stay for a later run.
    if (aborted_)
        return errorPath(kAbortedText, outputFolder);
    const QStringList volumes = listVolumes(outputFolder);
    if (status != 0 || volumes.isEmpty()) {
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
    options.volumes = int(volumes.size());
    plan = planRun(job, facts, options);
    if (plan.fault)
        return errorPath(plan.fault->text, outputFolder);
    bindVolumes(plan, outputFolder, volumes);
    zip_.setCompressionLevel(plan.compressionLevel);
    diskCount_ = int16_t(qMin<qsizetype>(volumes.size(), INT16_MAX));

    const bool rar = job.Archiver == ArchiverKind::Rar;
    QStringList replaced;
    if (job.RawArchivesOnly) {
        window_.setCountText(platformNumberText(diskCount_) +
                             (rar ? QStringLiteral(" Rar's") : QStringLiteral(" Ace's")));
    } else {
        // The older set goes before the first new zip: a run that fails from here on leaves
        // an incomplete new set, never a mix of two.
        if (!removeOlderSet(plan, &replaced, &error))
            return errorPath(error, outputFolder);
        window_.setBusyPointer(true);
        window_.processEvents();
        window_.setPageBarEnabled(false);
        WrapContext context{plan, job, window_, machine_, zip_, 0, {}};
        QString wrapError;
        const WrapResult wrapped = wrapVolumes(context, &wrapError);
        diskNumber_ = context.diskNumber;
        madeZips_ = context.madeZips;
        if (wrapped != WrapResult::Completed) {
            window_.setProgress(0);
            if (const int signal = StopSignals::requested())
                wrapError = stoppedBy(signal);
            else if (aborted_) {
                // The zip and count on display belong to a set that will not be finished.
                window_.setCountText({});
                wrapError = kAbortedText;
            }
            RipResult failed = errorPath(
                wrapError.isEmpty() ? QStringLiteral("Zipping failed") : wrapError, outputFolder);
            failed.replaced = replaced;
            return failed;
        }
    }

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

    RipResult result;
    result.volumes = diskCount_;
    result.zips = madeZips_;
    result.plan = plan;
    result.replaced = replaced;
    // After a zip run the folder is empty and goes; the volumes of an archives-only run stay
    // where the label says they are.
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
    result.outcome = RipOutcome::Failed;
    result.reason = QStringLiteral("The output folder %1 could not be removed").arg(outputFolder);
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
