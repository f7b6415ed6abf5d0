#pragma once

#include "companion/diz_numbering.h"
#include "engine/run_journal.h"
#include "engine/run_plan.h"
#include "engine/zip_pipeline.h"
#include "engine/zip_wrapping.h"
#include "job/job_settings.h"
#include "platform/folder_lock.h"

#include <QScopeGuard>
#include <QString>

#include <functional>
#include <optional>

class WindowPort;
class MachinePort;
class ZipComponent;

enum class RipOutcome {
    Completed,    // "Ripping complete": every volume wrapped, output folder removed
    ArchivesKept, // archives-only run: the volumes stay in the output folder
    Stopped,      // a precondition failed or the user cancelled; nothing was made
    Failed,       // the run ended on its error path
};

// What the steps after the last zip (the SFV, the PAR2 files, the check) did.
struct AfterZips {
    bool ok = true;
    QString failure;    // the step that failed, when not ok
    QStringList report; // a line per step done, and the check's report
};
// The steps after the last zip. The run takes them while its journal still holds it, so a
// run stopped during them can be resumed and takes them again.
using AfterZipsStep = std::function<AfterZips(const RunPlan& plan, const QStringList& zips)>;

struct RipResult {
    RipOutcome outcome = RipOutcome::Stopped;
    QString reason;       // one line naming the failed check or step
    QString outputFolder; // the folder this run made, if any
    int volumes = 0;      // volumes the archiver made
    QStringList zips;     // the zips made, in set order
    RunPlan plan;         // the set as it was made: the archiver's count, the volumes bound
    QStringList replaced; // the files of an older set of the same name that were removed
    AfterZips after;      // what the steps after the last zip did
    QStringList notes;    // what a resume found and did, a line each
    // The output folder holds the volumes not yet zipped and the journal that finishes them.
    bool resumable = false;

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
inline const QString kArchiveAgainText =
    QStringLiteral("The run was stopped while the archiver was writing, so its volumes cannot be "
                   "used: archiving again with the same plan");

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
//
// A zip run keeps a journal in its output folder (run_journal.h) and holds the folder's lock
// while it works, so a run that was stopped can be finished by resume() with the same plan.
class RipRun {
  public:
    RipRun(WindowPort& window, MachinePort& machine, ZipComponent& zip, const RunFlags& flags);

    // Carries out the plan of job with facts and options (the output folder and the list
    // file are the run's own to fill in).
    RipResult run(const JobSettings& job, const PlanFacts& facts, PlanOptions options);

    // Finishes the stopped run whose journal is in outputFolder: the plan made again from the
    // journal, the volumes and zips on disk checked against it, then the zips still to make
    // (with the archiver again first when it was stopped while writing), the steps after the
    // last zip, and the end of a run. facts gives what the journal does not hold: the faults
    // of the work folder and the par2 program as they are now.
    RipResult resume(const QString& outputFolder, const RunJournal& journal,
                     const PlanFacts& facts);

    // The steps after the last zip; none when not set.
    void setAfterZips(AfterZipsStep step) { afterZips_ = std::move(step); }

    // Command12: stop the zip in progress and give the window back.
    void abort();
    // Command13: as abort, then close the main window.
    void exit();

    bool running() const { return running_; }

    // Whether zips are begun while the archiver writes (zip_pipeline.h); on unless turned off.
    void setZipWhileArchiving(bool on) { zipWhileArchiving_ = on; }
    NumberingState& numbering() { return numbering_; }
    int16_t diskNumber() const { return diskNumber_; }
    int16_t diskCount() const { return diskCount_; }

  private:
    // One run or resume in hand. The steps that may end it return the result to end with,
    // and nothing when it goes on.
    struct Pass {
        JobSettings job;
        PlanFacts facts;
        PlanOptions options;
        RunPlan plan;
        QString outputFolder;
        std::optional<RunJournal> journal; // kept for a zip run
        FolderLock lock;
        QStringList replaced;
        QStringList notes;
        QStringList keptZips; // complete before this pass: never removed as an older set
        std::unique_ptr<ZipPipeline> pipeline; // while the archiver writes, and its pieces after
        QHash<QString, ZipPiece> pieces;       // by volume, once the archiver has ended
    };
    // Sets the running flag until the run ends, however it ends.
    auto runningScope() {
        running_ = true;
        return qScopeGuard([this] { running_ = false; });
    }
    RipResult stopAt(Page page, const QString& focus, const QString& reason);
    RipResult stopOn(const PlanFault& fault);
    void showProgressPage();
    // Removes the files of an older set of the same name before the first new zip, but not
    // those kept.
    bool removeOlderSet(const RunPlan& plan, const QStringList& kept, QStringList* removed,
                        QString* error);
    RipResult errorPath(const QString& reason, const QString& outputFolder);
    std::optional<RipResult> beginJournal(Pass& pass);
    RipResult archiveAndZip(Pass& pass);
    std::optional<RipResult> archive(Pass& pass, QStringList* volumes);
    void startPipeline(Pass& pass);
    std::optional<RipResult> awaitPieces(Pass& pass, const QStringList& volumes);
    // Makes the zips of whole that have a piece from it; whole keeps those still to be zipped
    // whole, *joinedBytes gets the bytes of the volumes zipped.
    WrapResult joinPieces(Pass& pass, QList<int>* whole, qint64* joinedBytes, QString* error);
    std::optional<RipResult> recordVolumes(Pass& pass, const QStringList& volumes);
    std::optional<RipResult> checkDisk(Pass& pass, QList<int>* remaining);
    std::optional<RipResult> beginResume(Pass& pass, const QString& outputFolder,
                                         const RunJournal& journal);
    // A resume that cannot go on: nothing was touched.
    RipResult refuseResume(const QString& reason);
    // Before the first zip of a pass: removes what runs that are gone left among the zips,
    // judges the zip folder as it is now and removes the older set, or stops on a file in the
    // set's way.
    std::optional<RipResult> clearTheWay(Pass& pass);
    std::optional<RipResult> zipPhase(Pass& pass, const QList<int>& remaining);
    RipResult complete(Pass& pass);
    void resetCounters();

    WindowPort& window_;
    MachinePort& machine_;
    ZipComponent& zip_;
    const RunFlags& flags_;
    NumberingState numbering_;
    QString sourcePath_;
    int16_t diskNumber_ = 0;
    int16_t diskCount_ = 0;
    bool running_ = false;
    bool aborted_ = false; // Abort or Exit during this run
    AfterZipsStep afterZips_;
    bool zipWhileArchiving_ = true;
    const ZipPipeline* pipeline_ = nullptr; // of the pass in hand, while the archiver writes
};
