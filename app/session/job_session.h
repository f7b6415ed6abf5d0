#pragma once

#include "companion/diz_numbering.h"
#include "engine/rip_run.h"
#include "engine/zip_component.h"
#include "job/job_settings.h"
#include "release/finish_options.h"
#include "script/loaded_job_check.h"
#include "script/script_file.h"
#include "source/source_size.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class WindowPort;
class MachinePort;

// Exit statuses of every start.
inline constexpr int kExitCompleted = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadCommandLine = 2;
inline constexpr int kExitAnotherRunning = 3;

// How a whole job ended, as a start reports it: the exit status and one line.
struct SessionResult {
    int exitCode = kExitCompleted;
    QString message;      // where the zips are, or the check or step that failed
    QStringList warnings; // what did not decide the outcome (a script read error)
    QStringList report;   // what the steps after the last zip did, a line each
};

// One job from script to zips: load -> check -> measure -> run, in the same order and with
// the same results for the window's Kavel!, the window's unattended start and the start
// without a window. It holds the job; a window shows it and edits it through setJob, and
// hears of every change, its own steps' included, through jobChanged.
class JobSession : public QObject {
    Q_OBJECT
  public:
    JobSession(WindowPort& window, MachinePort& machine, const RunFlags& flags,
               QObject* parent = nullptr);

    const JobSettings& job() const { return job_; }
    void setJob(const JobSettings& job);
    // Where output folders are made (not part of a script).
    void setWorkDrive(const QString& location);
    float sourceSizeM() const { return sourceSizeM_; } // SourceSizeM
    void setSourceSizeM(float megs);
    // Whether the set's numbers are three digits wide as the plan would take them from the job
    // and the measured source: what the diz numbering check judges with.
    bool threeDigitNumbers() const;
    bool jobValidated() const { return jobValidated_; } // JobValidated
    // Forgets the last check's verdict (a new script is about to be opened).
    void forgetVerdict() { jobValidated_ = false; }

    // Loads the script into job: the skip list is emptied first, the other fields keep
    // what they hold where the script stops. A read error does not end the session: the
    // check that follows decides.
    ScriptLoad load(const QString& path);
    // The loaded-job check (JobValidated), with the diz numbering check. The job keeps every
    // value the script gave, also those the check finds missing: the verdict and its reason
    // say what is wrong, and a job saved again loses nothing.
    LoadedJobCheck check();
    // Makes the source path canonical, then measures it (SourceSizeM).
    SizeRecalc measure();
    // The Kavel! command on job, with the steps after the last zip.
    RipResult run(const FinishOptions& finish = {});
    // The comment remembered in the settings file, for an unattended job: on whenever the
    // settings file names one, so that a comment file that has gone fails the run.
    void useRememberedComment();

    // Abort (Command12) and Exit (Command13) during a run: the archiver, when it is the one
    // running, is stopped as a stop signal stops it, with its whole process group.
    void abort();
    void exit();
    bool running() const { return rip_.running(); }
    NumberingState& numbering() { return numbering_; }

    // The steps of a start on a script, in order. Each returns the result to report when
    // the sequence ends there, and nothing when it goes on; warnings collects what did not
    // decide the outcome.
    std::optional<SessionResult> loadStep(const QString& path);
    std::optional<SessionResult> checkStep(const QString& path);
    std::optional<SessionResult> measureStep();
    // The set the run would make, planned on the measured source without writing anything:
    // what the plan refuses (a diz a receiving site misreads, a set past the limit) fails the
    // job's check too.
    std::optional<SessionResult> planStep(const QString& path);
    SessionResult runStep();
    // Finishes the stopped run whose journal is in outputFolder, with the steps after its
    // last zip, and ends as a run ends (kavel32 --resume, the window's "Resume a stopped
    // run...").
    SessionResult resumeStep(const QString& outputFolder);

    // The whole sequence on a script: load, check, measure, and then with runJob run, else
    // plan the set the run would make. Outside batch mode nothing is ever asked.
    SessionResult runScript(const QString& path, bool runJob = true);

    // The result of a finished run of job as a start reports it.
    SessionResult resultOf(const RipResult& run, const JobSettings& job) const;

    const QStringList& warnings() const { return warnings_; }
    void clearWarnings() { warnings_.clear(); }
    // What the last loadStep read, for a window that sets its name field and slider after
    // it; and the last check's verdict, for a window that says why beside the field.
    const ScriptLoad& lastLoad() const { return lastLoad_; }
    const LoadedJobCheck& lastCheck() const { return lastCheck_; }
    // How the last run ended, with the zips it made.
    const RipResult& lastRun() const { return lastRun_; }

  signals:
    // The job or its measured size changed.
    void jobChanged();

  private:
    // Runs a step that may change the job and announces the change.
    template <typename Step> auto changing(Step step);
    // The result with its report: the resume's notes, the older set replaced, what the steps
    // after the last zip did.
    SessionResult reportOf(const RipResult& ripped, const JobSettings& made);
    // The runs stopped in the work location, a warning line each; outside batch mode, when one
    // made the zips this job makes, the question whether to finish it instead. The folder of
    // the run to resume, or empty.
    QString offerStoppedRuns();

    WindowPort& window_;
    MachinePort& machine_;
    const RunFlags& flags_;
    JobSettings job_;
    float sourceSizeM_ = 0;
    bool jobValidated_ = false;
    QStringList warnings_;
    ScriptLoad lastLoad_;
    LoadedJobCheck lastCheck_;
    RipResult lastRun_;
    NumberingState numbering_;
    ZipComponent zip_;
    RipRun rip_;
};

// "<lead> FOLDER; kavel32 --resume FOLDER finishes the set", the folder quoted for a shell
// where it needs to be.
QString resumeHint(const QString& outputFolder, const QString& lead);

// Whether the program was asked to stop; the result a start then reports (128 + signal).
bool stopRequested(SessionResult* result);

// A start that another instance, or a lock that cannot be made, keeps from running: exit 3
// and "another Kavel32 is running" only when another instance holds the lock; otherwise
// exit 1 and why the lock failed (lockFailure, SingleInstance::failure()).
SessionResult refusedStart(const QString& lockFailure);

// Prints a start's result: each warning as "kavel32: warning: ...", the report's lines on
// standard output, and the line itself on
// standard output after success, or as "kavel32: ..." on standard error after a failure.
void printResult(const SessionResult& result);
