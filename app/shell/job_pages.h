#pragma once

#include "session/job_session.h"
#include "session/run_estimate.h"
#include "shell/job_model.h"
#include "shell/session_window.h"
#include "shell/shell_services.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class PageDiz;
class PageNfo;
class PageProgress;
class PageSkip;
class PageSource;
class PageZip;

// The Source, Skip, Diz, Nfo, Zip and progress pages over one job model, and the commands
// that work on the whole job: open and save a script, the zip comment, the Kavel! run. It
// builds the pages inside the panels the main window made, and keeps the session beside
// the model: the session's window port writes what a run shows into the model and hands
// the rest to the frame.
class JobPages : public QObject {
    Q_OBJECT
  public:
    JobPages(const PagePanels& panels, WindowFrame& frame, Dialogs& dialogs, MachinePort& machine,
             RunFlags& flags, QObject* parent = nullptr);
    ~JobPages() override;

    JobModel& model() { return model_; }
    const JobModel& model() const { return model_; }
    JobSession& session() { return session_; }
    // The window port the session and the pages' logic talk to.
    SessionWindow& port() { return port_; }
    ShellServices& services() { return services_; }

    // Menu commands of the File menu.
    void openScript(); // open "&Open script..."
    // Opens the script at path as Open does after its dialog (Open Recent, a dropped script).
    void openScriptFile(const QString& path);
    // save "&Save script...": into the script the job came from, or, before there is one,
    // where the user says.
    void saveScript();
    void saveScriptAs();    // saveas "Save script &as..."
    void zipCommentClick(); // zheader "&Zip comment": turns the comment on or off
    // The comment state read from the settings file at start-up.
    void setComment(bool on, const QString& commentFile);
    bool commentOn() const;
    // "Kavel32 - " + the script's file name, with " *" while the job has unsaved changes.
    QString windowTitle() const;

    // Whether the job on display may be let go (another script takes its place): with
    // unsaved changes the question Save, Discard or Cancel decides; Save saves it first, and
    // a save that does not happen keeps it. An unattended start never asks.
    bool releaseJob();
    // The same for the end of the program; once answered it is not asked again (the window
    // closes after a run that Exit stops). A stop signal never waits for an answer.
    bool releaseJobForExit();
    // The folder of a dropped path as the source (a folder, or an .iso image), measured as a
    // Browse does.
    void useDroppedSource(const QString& path);

    // A script named on the command line: load, check, show the zip drive's free space,
    // measure the source, set the title. Returns the result that ends an unattended start
    // there (a script that cannot be read, a failed check, a source that cannot be
    // measured), or nothing.
    std::optional<SessionResult> loadScriptFromCommandLine(const QString& path);
    // Measures the source on display again (after a script load). A source that is not
    // there is not measured: it stays in the job, marked as missing.
    void recalculateSourceSize();

    // The Kavel! command: the rip run on the job the pages show, and how it ended.
    SessionResult runJob();
    // The run stopped in outputFolder, finished on the progress page.
    SessionResult resumeRun(const QString& outputFolder);
    bool runActive() const;
    // Abort (Command12) and Exit (Command13).
    void abortRun();
    void exitRun();
    // The folder the zips go to (or an archives-only run's volumes went to), when one is
    // known; empty otherwise.
    QString setFolder() const;

    // Values the window derives from the job.
    float sourceSizeM() const { return model_.sourceSizeM(); }
    QString sourcePath() const { return model_.sourcePath(); }
    bool threeDigitNumbers() const { return model_.threeDigitNumbers(); }
    bool rawArchivesOnly() const { return model_.job().RawArchivesOnly; }
    QString workDrive() const { return model_.job().WorkDrive; }
    bool jobValidated() const { return session_.jobValidated(); }

  signals:
    // The window's title changed: after Open, Save or a command-line script, and when the
    // job gains or loses its unsaved changes.
    void windowTitleChanged(const QString& title);
    // The check mark of the zheader menu entry.
    void commentOnChanged(bool on);
    // Exit on the progress page: the main window closes (and cleans up as on any close).
    void exitRequested();
    // A run has ended; a close asked for meanwhile can go ahead.
    void runFinished();
    // The run's overall progress (0 to 100, -1 when no run goes on) and its time left.
    void runProgressChanged(int percent, const QString& timeLeft);
    // "Open folder" and "Check zips" on the progress page after a run.
    void openFolderRequested(const QString& folder);
    void checkZipsRequested(const QString& folder);
    // A script was opened or saved: the recent scripts list takes it.
    void scriptUsed(const QString& path);

  private:
    class TitleHold;
    QWidget* dialogParent() const;
    void setScriptPath(const QString& path);
    void saveTo(QString path);
    void loadChosenScript(const QString& chosen);
    void updateTitle();
    // The loaded-job check; the pages show what it left, and why beside the field.
    std::optional<SessionResult> checkJob(const QString& path);
    // Says beside the field why the logic went to a page.
    void noteShownPage(const QString& reason);
    // The check's verdict when a path the job names (the source, the diz, the nfo, the
    // extra, the zip folder) is set but not there.
    std::optional<LoadedJobCheck> keptPathGone() const;
    // The zip drive's free space after a script was opened: "Free space " + megabytes with
    // their sign position + " M".
    void showZipDriveFree();
    void followRunProgress();
    void runBytes(RunPhase phase, qint64 done, qint64 total);
    // What a run or a resume starts with: no notes, summary or warnings of an earlier one.
    void prepareRun();
    // A run's step followed by the one progress from its start to its end.
    SessionResult followedRun(const std::function<SessionResult()>& step);
    // What a finished run made, on the progress page; warnings in a message.
    void reportRun(const SessionResult& result);

    PagePanels panels_;
    SessionWindow port_;
    JobSession session_;
    JobModel model_;
    ShellServices services_;
    RunEstimate runEstimate_;
    PageSource* source_;
    PageSkip* skip_;
    PageDiz* diz_;
    PageNfo* nfo_;
    PageZip* zip_;
    PageProgress* progress_;
    QString title_;
    bool holdTitle_ = false;
    bool exitReleased_ = false;
    QString runZipDir_; // where the last run or resume put its zips
};

// The field beside which the reason for a page goes: the focused one, else the page's path
// (for the Nfo page the extra's when the nfo itself is there), by design name.
QString noteFieldFor(Page page, const QString& focus, const JobSettings& job);
