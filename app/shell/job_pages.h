#pragma once

#include "session/job_session.h"
#include "shell/shell_services.h"

#include <QObject>
#include <QString>

#include <optional>

class JobModel;
class PageDiz;
class PageNfo;
class PageProgress;
class PageSkip;
class PageSource;
class PageZip;

// The Source, Skip, Diz, Nfo, Zip and progress pages over one job model, and the commands
// that work on the whole job: open and save a script, the zip comment, the Kavel! run. It
// builds the pages inside the panels the main window made; the main window forwards the
// display calls of its WindowPort here.
class JobPages : public QObject {
    Q_OBJECT
  public:
    JobPages(const PagePanels& panels, ShellServices& services, QObject* parent = nullptr);
    ~JobPages() override;

    JobModel& model() { return *model_; }
    const JobModel& model() const { return *model_; }

    // What the main window's WindowPort shows on these pages.
    void setStatusText(const QString& text); // Label1
    void setNameText(const QString& text);   // Label10
    void setCountText(const QString& text);  // Label11
    void setProgress(int percent);           // ZqProgressBar1
    int progress() const;
    QString sourceDisplay() const; // SSPanel8
    void setSourceDisplay(const QString& text);
    void setSourceSizeText(const QString& text); // Label9
    void setSourceBrowseEnabled(bool enabled);   // Command2
    void setArchiverProgress(int percent);

    // Menu commands of the File menu.
    void openScript();      // open "&Open script..."
    void saveScript();      // save "&Save script..."
    void zipCommentClick(); // zheader "&Zip comment": turns the comment on or off
    // The comment state read from the settings file at start-up.
    void setComment(bool on, const QString& commentFile);
    bool commentOn() const;

    // A script named on the command line: load, check, show the zip drive's free space,
    // measure the source, set the title. Returns the result that ends an unattended start
    // there (a script that cannot be read, a failed check, a source that cannot be
    // measured), or nothing.
    std::optional<SessionResult> loadScriptFromCommandLine(const QString& path);
    // Measures the source on display again (after a script load).
    void recalculateSourceSize();

    // The Kavel! command: the rip run on the job the pages show, and how it ended.
    SessionResult runJob();
    // The run stopped in outputFolder, finished on the progress page.
    SessionResult resumeRun(const QString& outputFolder);
    bool runActive() const;
    // Abort (Command12) and Exit (Command13).
    void abortRun();
    void exitRun();

    // Values the window derives from the job.
    float sourceSizeM() const;
    QString sourcePath() const;
    bool threeDigitNumbers() const;
    bool rawArchivesOnly() const;
    QString workDrive() const;
    bool jobValidated() const;

  signals:
    // "Kavel32 - " + the script's file name, after Open, Save or a command-line script.
    void windowTitleChanged(const QString& title);
    // The check mark of the zheader menu entry.
    void commentOnChanged(bool on);
    // Exit on the progress page: the main window closes (and cleans up as on any close).
    void exitRequested();
    // A run has ended; a close asked for meanwhile can go ahead.
    void runFinished();
    // The archiver's percentage while it runs, -1 when it has ended.
    void archiverProgressChanged(int percent);

  private:
    QWidget* dialogParent() const;
    void setScriptPath(const QString& path);
    // The loaded-job check; the pages show what it left.
    std::optional<SessionResult> checkJob(const QString& path);
    // The zip drive's free space after a script was opened: "Free space " + megabytes with
    // their sign position + " M".
    void showZipDriveFree();

    PagePanels panels_;
    ShellServices& services_;
    JobModel* model_;
    PageSource* source_;
    PageSkip* skip_;
    PageDiz* diz_;
    PageNfo* nfo_;
    PageZip* zip_;
    PageProgress* progress_;
};
