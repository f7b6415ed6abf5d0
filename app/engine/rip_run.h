#pragma once

#include "companion/diz_numbering.h"
#include "engine/run_plan.h"
#include "job/job_settings.h"

#include <QString>

class WindowPort;
class MachinePort;
class ZipComponent;

enum class RipOutcome {
    Completed,    // "Ripping complete": every volume wrapped, output folder removed
    ArchivesKept, // archives-only run: the volumes stay in the output folder
    Stopped,      // a precondition failed or the user cancelled; nothing was made
    Failed,       // the run ended on its error path
};

struct RipResult {
    RipOutcome outcome = RipOutcome::Stopped;
    QString reason;       // one line naming the failed check or step
    QString outputFolder; // the folder this run made, if any
    int volumes = 0;      // volumes the archiver made
    QStringList zips;     // the zips made, in set order
    RunPlan plan;         // the set as it was made: the archiver's count, the volumes bound
    QStringList replaced; // the files of an older set of the same name that were removed

    // For the unattended start's exit status.
    bool succeeded() const {
        return outcome == RipOutcome::Completed || outcome == RipOutcome::ArchivesKept;
    }
};

inline const QString kRippingCompleteText = QStringLiteral("Ripping complete");
inline const QString kDuplicateZipText =
    QStringLiteral("Duplicate zip name in zip directory\nOverwrite?");
inline const QString kAbortedText = QStringLiteral("Aborted");
inline const QString kArchiverFailedText =
    QStringLiteral("The archiver failed: no volumes were made");

// The Overwrite question for a plan whose zip name is taken: the question itself, then a
// line saying how many zips of which set the run replaces.
QString overwriteQuestion(const RunPlan& plan);

// The default place for output folders when the job names none: the folder given with
// --work-dir, else the home folder.
QString defaultWorkLocation();
void setCommandLineWorkLocation(const QString& folder);

// Claims the first free "Kavel" + three-digit folder in workLocation. The folder is made
// with one mkdir, so a folder that someone else creates meanwhile is skipped, not shared.
// Empty when none could be made.
QString claimOutputFolder(const QString& workLocation, QString* error = nullptr);

// The Kavel! command: checks the job, runs the archiver once into a fresh output folder,
// wraps every volume into its zip and removes the emptied folder. One run at a time, on the
// caller's thread; Abort and Exit are called from the progress page while the zip step
// processes window events.
class RipRun {
  public:
    RipRun(WindowPort& window, MachinePort& machine, ZipComponent& zip, const RunFlags& flags);

    // Carries out the plan of job with facts and options (the output folder and the list
    // file are the run's own to fill in).
    RipResult run(const JobSettings& job, const PlanFacts& facts, PlanOptions options);

    // Command12: stop the zip in progress and give the window back.
    void abort();
    // Command13: as abort, then close the main window.
    void exit();

    bool running() const { return running_; }
    NumberingState& numbering() { return numbering_; }
    int16_t diskNumber() const { return diskNumber_; }
    int16_t diskCount() const { return diskCount_; }

  private:
    RipResult stopAt(Page page, const QString& focus, const QString& reason);
    RipResult stopOn(const PlanFault& fault);
    // Removes the files of an older set of the same name before the first new zip.
    bool removeOlderSet(const RunPlan& plan, QStringList* removed, QString* error);
    RipResult errorPath(const QString& reason, const QString& outputFolder);
    void resetCounters();

    WindowPort& window_;
    MachinePort& machine_;
    ZipComponent& zip_;
    const RunFlags& flags_;
    NumberingState numbering_;
    QString sourcePath_;
    int16_t diskNumber_ = 0;
    int16_t diskCount_ = 0;
    QStringList madeZips_;
    bool running_ = false;
    bool aborted_ = false; // Abort or Exit during this run
};
