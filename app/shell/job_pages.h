#pragma once

#include "job/job_settings.h"
#include "session/job_session.h"
#include "shell/shell_services.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class PageSource;
class PageSkip;
class PageDiz;
class PageNfo;
class PageZip;
class PageProgress;

// The controls of the Source, Skip, Diz, Nfo, Zip and progress pages and their commands.
// It builds its controls inside the page panels the main window made and holds the job in
// them; the main window forwards the progress texts of its WindowPort here.
class JobPages : public QObject {
    Q_OBJECT
public:
    JobPages(const PagePanels& panels, ShellServices& services, QObject* parent = nullptr);
    ~JobPages() override;

    // The job as the controls hold it, and back.
    JobSettings readJob() const;
    void writeJob(const JobSettings& job);

    // Progress page and source display, for the main window's WindowPort.
    void setStatusText(const QString& text); // Label1
    void setNameText(const QString& text);   // Label10
    void setCountText(const QString& text);  // Label11
    void setProgress(int percent);           // ZqProgressBar1
    int progress() const;
    QString sourceDisplay() const; // SSPanel8
    void setSourceDisplay(const QString& text);
    void setSourceSizeText(const QString& text); // Label9
    void setSourceBrowseEnabled(bool enabled);   // Command2

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

    // The Kavel! command: the rip run on the job the controls hold, and how it ended.
    SessionResult runJob();
    bool runActive() const;
    // Abort (Command12) and Exit (Command13).
    void abortRun();
    void exitRun();

    // Values the window derives from the pages.
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

private:
    friend class PageSource;
    friend class PageSkip;
    friend class PageDiz;
    friend class PageNfo;
    friend class PageZip;
    friend class PageProgress;

    // Shared by the pages.
    QWidget* dialogParent() const;
    // Archives-only after "No" to "Save as Zip's?": the zip controls disabled and emptied.
    void setRawArchivesOnly(bool raw);
    void setZipControlsEnabled(bool enabled);
    // The Browse form of the size calculation; false when Browse is to end at once.
    bool measureSourceForBrowse();
    // A file of the program's temp folder made when missing (an existing one keeps its
    // text); empty when it cannot be made.
    static QString ensureCompanionFile(const QString& name);
    void testDizNumbering();
    void setScriptPath(const QString& path);
    // The session's check on the job the controls hold; the controls show what it left.
    std::optional<SessionResult> checkJob(const QString& path);

    PagePanels panels_;
    ShellServices& services_;
    std::unique_ptr<PageSource> source_;
    std::unique_ptr<PageSkip> skip_;
    std::unique_ptr<PageDiz> diz_;
    std::unique_ptr<PageNfo> nfo_;
    std::unique_ptr<PageZip> zip_;
    std::unique_ptr<PageProgress> progress_;
    std::unique_ptr<JobSession> session_;

    float sourceSizeM_ = 0;
    QString sourcePath_;
    bool threeDigitNumbers_ = false;
    bool rawArchivesOnly_ = false;
    bool numberingValid_ = false;
    bool commentOn_ = false;
    QString commentFile_;
    QString scriptPath_;
    bool jobValidated_ = false;
};
