#pragma once

#include "job/job_settings.h"
#include "session/job_session.h"

#include <QObject>
#include <QString>

class MachinePort;
class WindowPort;

// What the progress page shows of a run.
struct RunDisplay {
    QString status;           // Label1
    QString zipName;          // Label10
    QString count;            // Label11
    int percent = 0;          // ZqProgressBar1
    int archiverPercent = -1; // while the archiver runs; -1 otherwise

    bool operator==(const RunDisplay&) const = default;
};

// The job the window edits, and what follows from it. The pages read it and write it, and
// refresh their controls when it changes; they never look at each other. The job itself is
// kept in the session, so every step of the run logic works on the job the pages show.
class JobModel : public QObject {
    Q_OBJECT
  public:
    // How the diz numbering options stand: "&None", "S&ubsitute at column", or neither
    // (a script without numbering lets go of Substitute without choosing None).
    enum class NumberingChoice { None, Substitute, Neither };

    JobModel(WindowPort& window, MachinePort& machine, const RunFlags& flags,
             QObject* parent = nullptr);

    const JobSettings& job() const { return session_.job; }
    JobSession& session() { return session_; }
    const JobSession& session() const { return session_; }

    // A whole job, as a script gives it: the name field's limit goes to 20, then the size
    // update runs and a volume size cuts the name to 6.
    void setJob(const JobSettings& job);
    // After the session loaded a script into the job: the slider's update when the size
    // was read, and the name field's limit the script left.
    void scriptLoaded(const ScriptLoad& load);
    // After a session step changed the job in place (check, measure).
    void jobChangedInPlace();

    void setSourceSpec(const QString& source); // the source display, SSPanel8
    void setSkipList(const QString& list);
    void setDizFile(const QString& path);
    // "S&ubsitute at column"; the fields keep their text.
    void chooseSubstitute();
    // "&None": numbering off and both fields emptied.
    void chooseNoNumbering();
    void setNumberColumn(const QString& text);
    void setNumberLine(const QString& text);
    void setNfoFile(const QString& path);
    void setFirstZipOnly(bool on);
    void setExtraKind(bool isFile); // "&File" or "&Directory"
    void setExtraPath(const QString& path);
    void setZipDir(const QString& dir);
    void setZipName(const QString& name);
    // The archive size slider changed: the CD image minimum, the size caption, the estimate,
    // the numbering width and the zip name limit follow.
    void setSizeUnits(int position);
    void setMethodIndex(int index);
    void setZipExtra(bool on);
    void setArchiver(ArchiverKind archiver);
    void setWorkDrive(const QString& location);
    // The answer to "Save as Zip's?": No (raw) disables the zip side and empties it.
    void chooseArchivesOnly(bool raw);
    void setComment(bool on, const QString& commentFile);

    NumberingChoice numberingChoice() const { return numbering_; }
    bool extraKindChosen() const { return extraKindChosen_; }
    int zipNameMaxLength() const { return zipNameMaxLength_; }

    // The CD image option (Check2): switching it forgets the source.
    bool imageSource() const { return imageSource_; }
    void setImageSource(bool on);

    float sourceSizeM() const { return session_.sourceSizeM; }
    void setSourceSizeM(float megs);
    // SourcePath: the source as a Browse left it.
    QString sourcePath() const { return sourcePath_; }
    void setSourcePath(const QString& path) { sourcePath_ = path; }
    bool threeDigitNumbers() const { return threeDigitNumbers_; }

    // Texts of the pages that more than one command writes.
    QString sizeCaption() const { return sizeCaption_; }   // SSPanel6
    QString estimateText() const { return estimateText_; } // Label19
    void setEstimateText(const QString& text);
    // The shorter estimate that a source Browse ends with.
    void showBrowseEstimate();
    QString sourceSizeText() const { return sourceSizeText_; } // Label9
    void setSourceSizeText(const QString& text);
    QString zipFreeText() const { return zipFreeText_; } // Label14
    void setZipFreeText(const QString& text);

    // The script last opened or saved (lower case), empty before.
    QString scriptPath() const { return scriptPath_; }
    void setScriptPath(const QString& path);
    // Where file dialogs start: the folder of the script, else the folder that holds the
    // source, else the home folder.
    QString dialogFolder() const;

    const RunDisplay& runDisplay() const { return run_; }
    void setStatusText(const QString& text);
    void setNameText(const QString& text);
    void setCountText(const QString& text);
    void setProgress(int percent);
    void setArchiverProgress(int percent);

  signals:
    // The job or anything that follows from it changed.
    void changed();
    void runDisplayChanged();
    void commentChanged(bool on);
    void archiverProgressChanged(int percent);

  private:
    template <typename T> void assign(T& field, const T& value);
    void applySizeUnits(int position);
    void limitZipName();
    void setRun(const RunDisplay& run);

    JobSession session_;
    QString sourcePath_;
    bool threeDigitNumbers_ = false;
    bool imageSource_ = false;
    bool extraKindChosen_ = false;
    NumberingChoice numbering_ = NumberingChoice::None;
    int zipNameMaxLength_ = 6;
    QString sizeCaption_;
    QString estimateText_;
    QString sourceSizeText_;
    QString zipFreeText_;
    QString scriptPath_;
    RunDisplay run_;
};
