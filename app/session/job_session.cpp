#include "session/job_session.h"

#include "companion/zip_comment.h"
#include "job/text_lines.h"
#include "job/volume_rules.h"
#include "job/window_port.h"
#include "platform/paths.h"
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

JobSession::JobSession(WindowPort& window, MachinePort& machine, const RunFlags& flags)
    : window_(window), machine_(machine), flags_(flags), rip_(window, machine, zip_, flags) {}

ScriptLoad JobSession::load(const QString& path) {
    JobValidated = false;
    job.SkipList.clear();
    return loadScript(path, job, window_, flags_);
}

LoadedJobCheck JobSession::check() {
    // The numbering sample of a check is made with the digits the job is known to need.
    const bool threeDigits = needsThreeDigits(estimatedVolumes(job.SizeUnits, sourceSizeM));
    const LoadedJobCheck verdict =
        checkLoadedJob(job, window_, flags_, [&](const JobSettings& checked, QString* why) {
            return checkDizNumbering(checked, flags_, threeDigits, numbering_, window_, machine_,
                                     why) &&
                   numbering_.NumberingValid;
        });
    JobValidated = verdict.JobValidated;
    return verdict;
}

SizeRecalc JobSession::measure() {
    job.SourceSpec = canonicalSource(job.SourceSpec);
    window_.setSourceDisplay(job.SourceSpec);
    return recalculateSourceSize(job, sourceSizeM, window_, machine_);
}

RipResult JobSession::run(const FinishOptions& finish) {
    // An Abort of an earlier run must not stop this one.
    zip_.setAbort(false);
    // The run works on a copy: the window shows its own changes to the job (the quoted
    // source while the archiver runs) in the job it edits, and may be edited meanwhile.
    const JobSettings running = job;
    const QString workLocation =
        running.WorkDrive.isEmpty() ? defaultWorkLocation() : running.WorkDrive;
    PlanFacts facts = factsForRun(running, workLocation, finish);
    if (QString error; AppPaths::workFolder(&error).isEmpty())
        facts.workFolderFault = error;
    const PlanOptions options = optionsForRun(facts, flags_, sourceSizeM, machine_.today(), finish);
    return rip_.run(running, facts, options);
}

void JobSession::useRememberedComment() {
    const StartupSettings settings = readSettingsAtStartup();
    if (!settings.warning.isEmpty())
        warnings << settings.warning;
    job.CommentFile = settings.CommentFile;
    // Nobody sees a menu mark here: a remembered comment that has gone is the run's fault to
    // report, not a reason to make zips without it.
    job.CommentOn = !settings.CommentFile.isEmpty();
}

void JobSession::abort() {
    if (rip_.running())
        rip_.abort();
}

void JobSession::exit() {
    if (rip_.running())
        rip_.exit();
}

std::optional<SessionResult> JobSession::loadStep(const QString& path) {
    QString error;
    if (AppPaths::workFolder(&error).isEmpty())
        return failure(error);
    const ScriptLoad loaded = load(path);
    lastLoad = loaded;
    if (!loaded.ok) {
        // A script that cannot be read at all leaves nothing for the check to decide on.
        if (loaded.line == 0)
            return failure(QStringLiteral("cannot open the script: %1").arg(loaded.detail));
        warnings << QStringLiteral("%1 %2: %3").arg(kScriptErrorText, path, loaded.detail);
    }
    return std::nullopt;
}

std::optional<SessionResult> JobSession::checkStep(const QString& path) {
    const LoadedJobCheck verdict = check();
    if (verdict.JobValidated)
        return std::nullopt;
    return failure(QStringLiteral("the job in %1 failed its check: %2")
                       .arg(path, verdict.reason.isEmpty() ? QStringLiteral("a file is missing")
                                                           : verdict.reason),
                   warnings);
}

std::optional<SessionResult> JobSession::measureStep() {
    const QString source = job.SourceSpec;
    const SizeRecalc size = measure();
    SessionResult result;
    if (stopRequested(&result))
        return result;
    if (size.failed || job.SourceSpec.isEmpty())
        return failure(QStringLiteral("cannot measure the source %1").arg(source), warnings);
    return std::nullopt;
}

SessionResult JobSession::runStep() {
    QString warning;
    const FinishOptions finish = currentFinishOptions(&warning);
    if (!warning.isEmpty())
        warnings << warning;
    const RipResult ripped = run(finish);
    SessionResult result = resultOf(ripped);
    QStringList report;
    for (const QString& w : ripped.plan.warnings)
        warnings << w;
    if (!ripped.replaced.isEmpty())
        report << QStringLiteral("Replaced the older set %1 in %2: %3")
                      .arg(ripped.plan.stem, job.ZipDir,
                           ripped.replaced.join(QStringLiteral(", ")));
    if (result.exitCode == kExitCompleted && ripped.outcome == RipOutcome::Completed) {
        const FinishResult finished =
            finishSet(job, ripped.plan, ripped.zips, flags_.DateStampRun, window_);
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
    result.warnings = warnings;
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
            kExitCompleted, QStringLiteral("%1: the job is ready to run").arg(path), warnings, {}};
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
            QStringLiteral("Ripping complete: %1 zips in %2").arg(run.volumes).arg(job.ZipDir),
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
