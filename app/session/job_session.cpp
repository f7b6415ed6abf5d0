#include "session/job_session.h"

#include "companion/zip_comment.h"
#include "job/text_lines.h"
#include "job/volume_rules.h"
#include "job/window_port.h"
#include "platform/paths.h"
#include "platform/process_runner.h"
#include "platform/stop_signals.h"
#include "release/finish_set.h"
#include "release/job_plan.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {
SessionResult failure(const QString& message, const QStringList& warnings = {}) {
    return {kExitFailed, message, warnings, {}};
}
} // namespace

JobSession::JobSession(WindowPort& window, MachinePort& machine, const RunFlags& flags,
                       QObject* parent)
    : QObject(parent), window_(window), machine_(machine), flags_(flags),
      rip_(window, machine, zip_, flags) {}

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

SessionResult JobSession::runStep() {
    QString warning;
    const FinishOptions finish = currentFinishOptions(&warning);
    if (!warning.isEmpty())
        warnings_ << warning;
    const RipResult ripped = run(finish);
    SessionResult result = resultOf(ripped);
    QStringList report;
    for (const QString& w : ripped.plan.warnings)
        warnings_ << w;
    if (!ripped.replaced.isEmpty())
        report << QStringLiteral("Replaced the older set %1 in %2: %3")
                      .arg(ripped.plan.stem, job_.ZipDir,
                           ripped.replaced.join(QStringLiteral(", ")));
    if (result.exitCode == kExitCompleted && ripped.outcome == RipOutcome::Completed) {
        const FinishResult finished = finishSet(ripped.plan, ripped.zips, window_);
        report << finished.report;
        window_.setStatusText(finished.ok ? kRippingCompleteText : finished.failure);
        // A step a stop request ended is a stopped run (128 + signal), not a failed one.
        if (!finished.ok && !stopRequested(&result)) {
            result = failure(finished.failure);
            if (!flags_.batch())
                window_.message(finished.failure, kErrorTitle, MessageIcon::Exclamation,
                                MessageButtons::Ok);
        }
    }
    result.warnings = warnings_;
    result.report = report;
    return result;
}

SessionResult JobSession::runScript(const QString& path, bool runJob) {
    if (auto ended = loadStep(path))
        return *ended;
    if (auto ended = checkStep(path))
        return *ended;
    if (!runJob)
        return {
            kExitCompleted, QStringLiteral("%1: the job is ready to run").arg(path), warnings_, {}};
    if (auto ended = measureStep())
        return *ended;
    return runStep();
}

SessionResult JobSession::resultOf(const RipResult& run) const {
    SessionResult result;
    if (stopRequested(&result)) {
        if (!run.outputFolder.isEmpty())
            result.message +=
                QStringLiteral("; the volumes not zipped are in %1").arg(run.outputFolder);
        return result;
    }
    if (!run.succeeded())
        return failure(run.reason.isEmpty() ? QStringLiteral("the run failed") : run.reason);
    if (run.outcome == RipOutcome::ArchivesKept)
        return {kExitCompleted,
                QStringLiteral("Ripping complete: %1 volumes are in %2")
                    .arg(run.volumes)
                    .arg(run.outputFolder),
                {},
                {}};
    return {kExitCompleted,
            QStringLiteral("Ripping complete: %1 zips in %2").arg(run.volumes).arg(job_.ZipDir),
            {},
            {}};
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
