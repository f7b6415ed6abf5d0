#pragma once

#include "companion/diz_numbering.h"
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
    QString zipName;      // the zip base name the zips carry
    QStringList zips;     // the zips made, in set order

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

// The default place for output folders when the job names none: the folder given with
// --work-dir, else the home folder.
QString defaultWorkLocation();
void setCommandLineWorkLocation(const QString& folder);

// Claims the first free "Kavel" + three-digit folder in workLocation. The folder is made
// with one mkdir, so a folder that someone else creates meanwhile is skipped, not shared.
// Empty when none could be made.
QString claimOutputFolder(const QString& workLocation, QString* error = nullptr);

// How the zips of a set of volumes are numbered once the archiver's real count is known.
struct SetNumbering {
    bool threeDigitNumbers = false;
    QString zipName; // the job's, cut to five characters when three digits were not planned
    QString fault;   // why no set can be made of these volumes; empty when one can
};

// The numbering the estimate planned, unless the archiver made more volumes than two digits
// can number: then three digits (the name cut as the estimate would have cut it) when the
// diz line has room for them, otherwise a fault naming the real count. A set of more than
// 999 volumes, or of several files for one archive, is a fault too: receivers would read
// wrong totals or names that do not sort.
SetNumbering numberSet(const JobSettings& job, int volumes, bool plannedThreeDigits);

// The Kavel! command: checks the job, runs the archiver once into a fresh output folder,
// wraps every volume into its zip and removes the emptied folder. One run at a time, on the
// caller's thread; Abort and Exit are called from the progress page while the zip step
// processes window events.
class RipRun {
  public:
    RipRun(WindowPort& window, MachinePort& machine, ZipComponent& zip, const RunFlags& flags);

    RipResult run(const JobSettings& job, float sourceSizeM);

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
