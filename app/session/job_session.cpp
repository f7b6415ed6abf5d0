#include "session/job_session.h"

#include "companion/settings_file.h"
#include "job/text_lines.h"
#include "job/volume_rules.h"
#include "job/window_port.h"
#include "platform/paths.h"
#include "platform/process_runner.h"
#include "platform/source_date.h"
#include "platform/stop_signals.h"
#include "release/finish_set.h"
#include "release/job_plan.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

namespace {
// A path as a POSIX shell reads it back: in single quotes when anything in it is special.
QString shellWord(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+,:=@%-]+$"));
    if (plain.match(text).hasMatch())
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Every child of a resume, the archiver too, stamps as the stopped run did (or not at all, as
// it did not); the program's later runs find SOURCE_DATE_EPOCH as it was.
class StampOfJournal {
  public:
    explicit StampOfJournal(std::optional<qint64> stamp)
        : before_(qgetenv(kSourceDateEpochVariable)),
          wasSet_(qEnvironmentVariableIsSet(kSourceDateEpochVariable)) {
        if (stamp)
            qputenv(kSourceDateEpochVariable, QByteArray::number(*stamp));
        else
            qunsetenv(kSourceDateEpochVariable);
    }
    ~StampOfJournal() {
        if (wasSet_)
            qputenv(kSourceDateEpochVariable, before_);
        else
            qunsetenv(kSourceDateEpochVariable);
    }
    StampOfJournal(const StampOfJournal&) = delete;
    StampOfJournal& operator=(const StampOfJournal&) = delete;

  private:
    QByteArray before_;
    bool wasSet_;
};

SessionResult failure(const QString& message, const QStringList& warnings = {}) {
    return {kExitFailed, message, warnings, {}};
}
} // namespace

JobSession::JobSession(WindowPort& window, MachinePort& machine, const RunFlags& flags,
                       QObject* parent)
    : QObject(parent), window_(window), machine_(machine), flags_(flags),
      rip_(window, machine, zip_, flags) {
    rip_.setAfterZips([this](const RunPlan& plan, const QStringList& zips) {
        const FinishResult finished = finishSet(plan, zips, window_);
        return AfterZips{finished.ok, finished.failure, finished.report};
    });
}

template <typename Step> auto JobSession::changing(Step step) {
    const JobSettings jobBefore = job_;
    const float sizeBefore = sourceSizeM_;
    auto result = step();
    if (!(job_ == jobBefore) || sourceSizeM_ != sizeBefore)
        emit jobChanged();
    return result;
}

void JobSession::setJob(const JobSettings& job) {
    if (job == job_)
        return;
    job_ = job;
    emit jobChanged();
}

void JobSession::setWorkDrive(const QString& location) {
    JobSettings job = job_;
    job.WorkDrive = location;
    setJob(job);
}

void JobSession::setSourceSizeM(float megs) {
    if (megs == sourceSizeM_)
        return;
    sourceSizeM_ = megs;
    emit jobChanged();
}

ScriptLoad JobSession::load(const QString& path) {
    return changing([&] {
        jobValidated_ = false;
        job_.SkipList.clear();
        return loadScript(path, job_, window_, flags_);
    });
}

LoadedJobCheck JobSession::check() {
    // The numbering sample of a check is made with the digits the job is known to need.
    const bool threeDigits = needsThreeDigits(estimatedVolumes(job_.SizeUnits, sourceSizeM_));
    // The check empties what it finds missing, as a user would have to pick it again; here
    // it works on a copy, so the script's values stay in the job.
    JobSettings checked = job_;
    const LoadedJobCheck verdict =
        checkLoadedJob(checked, window_, flags_, [&](const JobSettings& job, QString* why) {
            return checkDizNumbering(job, flags_, threeDigits, numbering_, window_, machine_,
                                     why) &&
                   numbering_.NumberingValid;
        });
    jobValidated_ = verdict.JobValidated;
    lastCheck_ = verdict;
    return verdict;
}

SizeRecalc JobSession::measure() {
    return changing([&] {
        job_.SourceSpec = canonicalSource(job_.SourceSpec);
        window_.setSourceDisplay(job_.SourceSpec);
        return recalculateSourceSize(job_, sourceSizeM_, window_, machine_);
    });
}

RipResult JobSession::run(const FinishOptions& finish) {
    // An Abort of an earlier run must not stop this one.
    zip_.setAbort(false);
    clearCommandStop();
    // The run works on a copy: the window may be edited meanwhile.
    const JobSettings running = job_;
    const QString workLocation =
        running.WorkDrive.isEmpty() ? defaultWorkLocation() : running.WorkDrive;
    PlanFacts facts = factsForRun(running, workLocation, finish);
    if (QString error; AppPaths::workFolder(&error).isEmpty())
        facts.workFolderFault = error;
    const PlanOptions options =
        optionsForRun(facts, flags_, sourceSizeM_, machine_.today(), finish);
    lastRun_ = rip_.run(running, facts, options);
    clearCommandStop();
    return lastRun_;
}

void JobSession::useRememberedComment() {
    const StartupSettings settings = readSettingsAtStartup();
    if (!settings.warning.isEmpty())
        warnings_ << settings.warning;
    JobSettings job = job_;
    job.CommentFile = settings.CommentFile;
    // Nobody sees a menu mark here: a remembered comment that has gone is the run's fault to
    // report, not a reason to make zips without it.
    job.CommentOn = !settings.CommentFile.isEmpty();
    setJob(job);
}

void JobSession::abort() {
    if (!rip_.running())
        return;
    rip_.abort();
    requestCommandStop();
}

void JobSession::exit() {
    if (!rip_.running())
        return;
    requestCommandStop();
    rip_.exit();
}

std::optional<SessionResult> JobSession::loadStep(const QString& path) {
    QString error;
    if (AppPaths::workFolder(&error).isEmpty())
        return failure(error);
    const ScriptLoad loaded = load(path);
    lastLoad_ = loaded;
    if (!loaded.ok) {
        // A script that cannot be read at all leaves nothing for the check to decide on.
        if (loaded.line == 0)
            return failure(QStringLiteral("cannot open the script: %1").arg(loaded.detail));
        warnings_ << QStringLiteral("%1 %2: %3").arg(kScriptErrorText, path, loaded.detail);
    }
    return std::nullopt;
}

std::optional<SessionResult> JobSession::checkStep(const QString& path) {
    if (!lastLoad_.labelFault.isEmpty()) {
        jobValidated_ = false;
        if (!flags_.batch())
            window_.message(QStringLiteral("%1: %2").arg(path, lastLoad_.labelFault), kErrorTitle,
                            MessageIcon::Exclamation, MessageButtons::Ok);
        return failure(
            QStringLiteral("the job in %1 failed its check: %2").arg(path, lastLoad_.labelFault),
            warnings_);
    }
    const LoadedJobCheck verdict = check();
    if (verdict.JobValidated)
        return std::nullopt;
    return failure(QStringLiteral("the job in %1 failed its check: %2")
                       .arg(path, verdict.reason.isEmpty() ? QStringLiteral("a file is missing")
                                                           : verdict.reason),
                   warnings_);
}

std::optional<SessionResult> JobSession::measureStep() {
    const QString source = job_.SourceSpec;
    const SizeRecalc size = measure();
    SessionResult result;
    if (stopRequested(&result))
        return result;
    if (size.failed || job_.SourceSpec.isEmpty())
        return failure(QStringLiteral("cannot measure the source %1").arg(source), warnings_);
    return std::nullopt;
}

std::optional<SessionResult> JobSession::planStep(const QString& path) {
    QString warning;
    const FinishOptions finish = currentFinishOptions(&warning);
    if (!warning.isEmpty())
        warnings_ << warning;
    const QString workLocation = job_.WorkDrive.isEmpty() ? defaultWorkLocation() : job_.WorkDrive;
    const PlanFacts facts = factsForRun(job_, workLocation, finish);
    PlanOptions options = optionsForRun(facts, flags_, sourceSizeM_, machine_.today(), finish);
    options.workLocation = workLocation;
    options.outputFolder = firstFreeOutputFolder(workLocation);
    const RunPlan plan = planRun(job_, facts, options);
    if (!plan.fault)
        return std::nullopt;
    return failure(QStringLiteral("the job in %1 failed its check: %2").arg(path, plan.fault->text),
                   warnings_);
}

SessionResult JobSession::runStep() {
    QString warning;
    const FinishOptions finish = currentFinishOptions(&warning);
    if (!warning.isEmpty())
        warnings_ << warning;
    if (const QString stopped = offerStoppedRuns(); !stopped.isEmpty())
        return resumeStep(stopped);
    const JobSettings made = job_;
    return reportOf(run(finish), made);
}

SessionResult JobSession::resumeStep(const QString& outputFolder) {
    // An Abort of an earlier run must not stop this one.
    zip_.setAbort(false);
    clearCommandStop();
    const JournalRead read = readJournal(outputFolder);
    if (!read.ok) {
        const QString why = printableText(
            QStringLiteral("cannot resume the run in %1: %2").arg(outputFolder, read.error));
        if (!flags_.batch())
            window_.message(why, kErrorTitle, MessageIcon::Exclamation, MessageButtons::Ok);
        return failure(why, warnings_);
    }
    PlanFacts facts;
    if (QString error; AppPaths::workFolder(&error).isEmpty())
        facts.workFolderFault = error;
    if (read.journal.options.par2Percent > 0)
        facts.par2Fault = finishPrerequisiteFault(FinishOptions{false, false, 1});
    const StampOfJournal stamp(read.journal.options.stampTime);
    lastRun_ = rip_.resume(outputFolder, read.journal, facts);
    clearCommandStop();
    const RipResult& ripped = lastRun_;
    // What stopped a resume is told as a run's failed step is; a stop tells itself.
    if (!ripped.succeeded() && !flags_.batch() && !StopSignals::requested())
        window_.message(printableText(ripped.reason), kErrorTitle, MessageIcon::Exclamation,
                        MessageButtons::Ok);
    return reportOf(ripped, read.journal.job);
}

SessionResult JobSession::reportOf(const RipResult& ripped, const JobSettings& made) {
    SessionResult result = resultOf(ripped, made);
    QStringList report = ripped.notes;
    for (const QString& w : ripped.plan.warnings)
        warnings_ << w;
    if (!ripped.replaced.isEmpty())
        report << QStringLiteral("Replaced the older set %1 in %2: %3")
                      .arg(ripped.plan.stem, made.ZipDir,
                           ripped.replaced.join(QStringLiteral(", ")));
    if (result.exitCode == kExitCompleted && ripped.outcome == RipOutcome::Completed) {
        report << ripped.after.report;
        window_.setStatusText(ripped.after.ok ? kRippingCompleteText : ripped.after.failure);
        // A step a stop request ended is a stopped run (128 + signal), not a failed one.
        if (!ripped.after.ok && !stopRequested(&result)) {
            result = failure(ripped.after.failure);
            if (!flags_.batch())
                window_.message(ripped.after.failure, kErrorTitle, MessageIcon::Exclamation,
                                MessageButtons::Ok);
        }
    }
    result.warnings = warnings_;
    result.report = report;
    return result;
}

QString JobSession::offerStoppedRuns() {
    const QString workLocation = job_.WorkDrive.isEmpty() ? defaultWorkLocation() : job_.WorkDrive;
    for (const StoppedRun& stopped : stoppedRuns(workLocation)) {
        if (!flags_.batch() && sameZips(stopped.job, job_) &&
            window_.message(QStringLiteral("A stopped run of this job left its volumes in %1.\n"
                                           "Finish that run instead of starting again?")
                                .arg(printableText(stopped.folder)),
                            QStringLiteral("Kavel32"), MessageIcon::Question,
                            MessageButtons::YesNo) == MessageAnswer::Yes)
            return stopped.folder;
        warnings_ << resumeHint(stopped.folder,
                                QStringLiteral("a stopped run left its volumes in"));
    }
    return {};
}

SessionResult JobSession::runScript(const QString& path, bool runJob) {
    if (auto ended = loadStep(path))
        return *ended;
    if (auto ended = checkStep(path))
        return *ended;
    if (auto ended = measureStep())
        return *ended;
    if (runJob)
        return runStep();
    if (auto ended = planStep(path))
        return *ended;
    return {kExitCompleted, QStringLiteral("%1: the job is ready to run").arg(path), warnings_, {}};
}

SessionResult JobSession::resultOf(const RipResult& run, const JobSettings& made) const {
    SessionResult result;
    // A folder the journal finishes is named with the command that finishes it, and with what
    // is left: volumes to zip, or only the SFV and PAR2 files once every zip is made.
    const bool everyZipMade = run.volumes > 0 && run.zips.size() >= run.volumes;
    const QString kept =
        run.resumable
            ? QStringLiteral("; ") +
                  resumeHint(run.outputFolder,
                             everyZipMade
                                 ? QStringLiteral("every zip is made; the journal that writes "
                                                  "the SFV and PAR2 files is in")
                                 : QStringLiteral("the volumes not yet zipped are in"))
        : !run.outputFolder.isEmpty()
            ? QStringLiteral("; the volumes not zipped are in %1").arg(run.outputFolder)
            : QString();
    if (stopRequested(&result)) {
        result.message += kept;
        return result;
    }
    if (!run.succeeded())
        return failure((run.reason.isEmpty() ? QStringLiteral("the run failed") : run.reason) +
                       (run.outcome == RipOutcome::Failed ? kept : QString()));
    if (run.outcome == RipOutcome::ArchivesKept)
        return {kExitCompleted,
                QStringLiteral("Ripping complete: %1 volumes are in %2")
                    .arg(run.volumes)
                    .arg(run.outputFolder),
                {},
                {}};
    return {kExitCompleted,
            QStringLiteral("Ripping complete: %1 zips in %2").arg(run.volumes).arg(made.ZipDir),
            {},
            {}};
}

QString resumeHint(const QString& outputFolder, const QString& lead) {
    return QStringLiteral("%1 %2; kavel32 --resume %3 finishes the set")
        .arg(lead, outputFolder, shellWord(outputFolder));
}

bool stopRequested(SessionResult* result) {
    const int signal = StopSignals::requested();
    if (!signal)
        return false;
    result->exitCode = StopSignals::exitStatus(signal);
    result->message = QStringLiteral("stopped by %1").arg(QLatin1String(StopSignals::name(signal)));
    return true;
}

SessionResult refusedStart(const QString& lockFailure) {
    if (!lockFailure.isEmpty())
        return failure(lockFailure);
    return {kExitAnotherRunning, QStringLiteral("another Kavel32 is running"), {}, {}};
}

void printResult(const SessionResult& result) {
    // Every line may quote a name or a file's text: none reaches the terminal raw.
    for (const QString& warning : result.warnings)
        std::fprintf(stderr, "kavel32: warning: %s\n", qPrintable(printableText(warning)));
    for (const QString& line : result.report)
        std::fprintf(stdout, "%s\n", qPrintable(printableText(line)));
    if (result.message.isEmpty())
        return;
    const QString message = printableText(result.message);
    if (result.exitCode == kExitCompleted)
        std::fprintf(stdout, "%s\n", qPrintable(message));
    else
        std::fprintf(stderr, "kavel32: %s\n", qPrintable(message));
    std::fflush(stdout);
}
