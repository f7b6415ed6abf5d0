#include "engine/rip_run.h"

#include "companion/zip_entries.h"
#include "engine/archiver_command.h"
#include "engine/zip_component.h"
#include "engine/zip_wrapping.h"
#include "job/machine_port.h"
#include "job/volume_rules.h"
#include "job/window_port.h"
#include "platform/paths.h"
#include "platform/process_runner.h"
#include "platform/stop_signals.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {
// Whether ZipDir already holds a zip of this name.
bool zipNameTaken(const QString& zipDir, const QString& zipName) {
    return !QDir(zipDir).entryList({zipName + QLatin1Char('*')}, QDir::Files).isEmpty();
}

// Resets the running flag however the run ends.
struct RunningScope {
    bool& flag;
    explicit RunningScope(bool& f) : flag(f) { flag = true; }
    ~RunningScope() { flag = false; }
};

QString stoppedBy(int signal) {
    return QStringLiteral("stopped by %1").arg(QLatin1String(StopSignals::name(signal)));
}

// What must hold before anything is written, beyond the checks of the job itself: a work
// folder, the comment file and zip entries that do not replace one another. Empty when all
// is well.
QString runPreconditionFault(const JobSettings& job) {
    QString error;
    if (AppPaths::workFolder(&error).isEmpty())
        return error;
    if (job.RawArchivesOnly)
        return {};
    if (job.CommentOn) {
        const QFileInfo comment(job.CommentFile);
        if (!comment.exists())
            return QStringLiteral("The zip comment file %1 does not exist").arg(job.CommentFile);
        if (!comment.isFile() || !comment.isReadable())
            return QStringLiteral("The zip comment file %1 can't be read").arg(job.CommentFile);
    }
    return companionNameClash(job);
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
        const QString path =
            joinPath(workLocation, QStringLiteral("Kavel%1").arg(i, 3, 10, QLatin1Char('0')));
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

SetNumbering numberSet(const JobSettings& job, int volumes, bool plannedThreeDigits) {
    SetNumbering numbering;
    numbering.threeDigitNumbers = plannedThreeDigits;
    numbering.zipName = job.ZipName;
    if (job.RawArchivesOnly || volumes <= 1)
        return numbering;
    if (job.SizeUnits == 0) {
        numbering.fault =
            QStringLiteral("The archiver made %1 files where one archive was asked for")
                .arg(volumes);
        return numbering;
    }
    if (exceedsVolumeLimit(volumes)) {
        numbering.fault = QStringLiteral("The archiver made %1 volumes; a set can't have more "
                                         "than %2")
                              .arg(volumes)
                              .arg(kVolumeLimit);
        return numbering;
    }
    if (plannedThreeDigits || !needsThreeDigits(volumes))
        return numbering;
    // More volumes than the estimate foresaw: two digits would misnumber the set.
    QString why;
    if (job.AutoNumber && !numberingLineTakesThreeDigits(job, &why)) {
        numbering.fault =
            QStringLiteral("The archiver made %1 volumes, too many for two-digit disk numbers, "
                           "and %2")
                .arg(volumes)
                .arg(why);
        return numbering;
    }
    numbering.threeDigitNumbers = true;
    numbering.zipName = job.ZipName.left(zipNameLimit(job.SizeUnits, true));
    return numbering;
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
    window_.setStatusText(reason);
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

RipResult RipRun::run(const JobSettings& job, float sourceSizeM) {
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

    const JobReadiness ready = isJobReady(job);
    if (!ready.ready) {
        const QString reason = readinessReason(ready);
        if ((ready.zipNameHasSpace || ready.zipNameUnsafe) && !flags_.batch())
            window_.message(reason, kErrorTitle, MessageIcon::Exclamation, MessageButtons::Ok);
        return stopAt(ready.page, ready.focus, reason);
    }
    if (const QString fault = runPreconditionFault(job); !fault.isEmpty()) {
        if (!flags_.batch())
            window_.message(fault, kErrorTitle, MessageIcon::Exclamation, MessageButtons::Ok);
        return stopAt(Page::Nfo, {}, fault);
    }

    if (!job.RawArchivesOnly && !flags_.batch() && zipNameTaken(job.ZipDir, job.ZipName)) {
        if (window_.message(kDuplicateZipText, kErrorTitle, MessageIcon::Exclamation,
                            MessageButtons::OkCancel) == MessageAnswer::Cancel) {
            RipResult r;
            r.reason = QStringLiteral("Cancelled");
            return r;
        }
    }

    const VolumePlan plan = planVolumes(job.Archiver, job.SizeUnits, sourceSizeM);
    if (job.AutoNumber && !job.RawArchivesOnly) {
        QString error;
        if (!checkDizNumbering(job, flags_, plan.threeDigitNumbers, numbering_, window_, machine_,
                               &error) ||
            !numbering_.NumberingValid) {
            RipResult r;
            r.reason =
                error.isEmpty() ? QStringLiteral("The diz numbering position is not valid") : error;
            return r;
        }
    }

    if (plan.tooManyVolumes) {
        if (!flags_.batch())
            window_.message(QString::fromLatin1(kTooManyVolumesText),
                            QString::fromLatin1(kTooManyVolumesTitle), MessageIcon::Critical,
                            MessageButtons::Ok);
        RipResult r;
        r.reason = QStringLiteral("More than %1 volumes would be needed").arg(kVolumeLimit);
        return r;
    }

    const QString listFile =
        job.SkipList.isEmpty() ? QString() : AppPaths::scratchFile(QStringLiteral("skip.txt"));
    sourcePath_ = job.SourceSpec;
    if (!listFile.isEmpty()) {
        QString error;
        if (!writeExclusionList(job.SkipList, listFile, &error))
            return errorPath(error, {});
    }

    QString error;
    const QString workLocation = job.WorkDrive.isEmpty() ? defaultWorkLocation() : job.WorkDrive;
    const QString outputFolder = claimOutputFolder(workLocation, &error);
    if (outputFolder.isEmpty())
        return errorPath(error, {});
    const QString archivePath = joinPath(outputFolder, job.ZipName + plan.extension);

    window_.minimise();
    window_.processEvents();
    if (job.Archiver == ArchiverKind::Rar)
        window_.setSourceDisplay(QLatin1Char('"') + job.SourceSpec + QLatin1Char('"'));
    Command archiver = archiverCommand(job.Archiver, job.SizeUnits, job.MethodIndex, archivePath,
                                       job.SourceSpec, listFile);
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
    const QStringList volumes = listVolumes(outputFolder);
    if (status != 0 || volumes.isEmpty()) {
        QString reason =
            status == kCouldNotStart ? QStringLiteral("The archiver could not be started")
            : status != 0 ? QStringLiteral("The archiver failed (exit status %1)").arg(status)
                          : kArchiverFailedText;
        if (const QString said = lastErrorLine(archiver); !said.isEmpty())
            reason += QStringLiteral(": ") + said;
        if (!flags_.batch())
            window_.message(reason, kErrorTitle, MessageIcon::Exclamation, MessageButtons::Ok);
        return errorPath(reason, outputFolder);
    }
    const SetNumbering numbering = numberSet(job, int(volumes.size()), plan.threeDigitNumbers);
    if (!numbering.fault.isEmpty())
        return errorPath(numbering.fault, outputFolder);
    zip_.setCompressionLevel(zipCompressionLevel(job));
    diskCount_ = int16_t(qMin<qsizetype>(volumes.size(), INT16_MAX));

    const bool rar = job.Archiver == ArchiverKind::Rar;
    if (job.RawArchivesOnly) {
        window_.setCountText(platformNumberText(diskCount_) +
                             (rar ? QStringLiteral(" Rar's") : QStringLiteral(" Ace's")));
    } else {
        window_.setBusyPointer(true);
        window_.processEvents();
        window_.setPageBarEnabled(false);
        WrapContext context{job,
                            flags_,
                            outputFolder,
                            numbering.threeDigitNumbers,
                            numbering.zipName,
                            diskCount_,
                            window_,
                            machine_,
                            zip_,
                            0,
                            {}};
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
            return errorPath(wrapError.isEmpty() ? QStringLiteral("Zipping failed") : wrapError,
                             outputFolder);
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
                                                    outputFolder
                                              : kRippingCompleteText);
    window_.setNameText({});
    window_.processEvents();

    RipResult result;
    result.volumes = diskCount_;
    result.zipName = numbering.zipName;
    result.zips = madeZips_;
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
