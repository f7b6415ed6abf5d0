#pragma once

#include "job/job_settings.h"
#include "session/job_session.h"

#include <QMap>
#include <QObject>
#include <QString>

// What the progress page shows of a run.
struct RunDisplay {
    QString status;           // Label1
    QString zipName;          // Label10
    QString count;            // Label11
    int percent = 0;          // ZqProgressBar1
    int archiverPercent = -1; // while the archiver runs; -1 otherwise
    // What the source display shows while a run changes it (the quoted source); empty:
    // the job's source.
    QString source;

    bool operator==(const RunDisplay&) const = default;
};

// The job the window edits, and what follows from it. The pages read it and write it, and
// refresh their controls when it changes; they never look at each other. The job itself is
// the session's: every edit goes there, and every change the session announces (its own
// steps' too) reaches the pages.
class JobModel : public QObject {
    Q_OBJECT
  public:
    // How the diz numbering options stand: "&None", "S&ubsitute at column", or neither
    // (a script without numbering lets go of Substitute without choosing None).
    enum class NumberingChoice { None, Substitute, Neither };

    explicit JobModel(JobSession& session, QObject* parent = nullptr);

    const JobSettings& job() const { return session_.job(); }
    JobSession& session() { return session_; }

    // A whole job, as a script gives it: the name field's limit goes to 20, then the size
    // update runs and a volume size cuts the name to 6.
    void setJob(const JobSettings& job);
    // After the session loaded a script into the job: the slider's update when the size
    // was read, and the name field's limit the script left.
    void scriptLoaded(const ScriptLoad& load);

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
    void setExtraKind(bool isFile); // "Fi&le" or "&Directory"
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

    float sourceSizeM() const { return session_.sourceSizeM(); }
    void setSourceSizeM(float megs) { session_.setSourceSizeM(megs); }
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
    // The source Browse (Command2), off while the source is measured.
    bool sourceBrowseEnabled() const { return sourceBrowseEnabled_; }
    void setSourceBrowseEnabled(bool enabled);

    // The script last opened or saved (lower case), empty before.
    QString scriptPath() const { return scriptPath_; }
    void setScriptPath(const QString& path);
    // Where file dialogs start: the folder of the script, else the folder that holds the
    // source, else the home folder.
    QString dialogFolder() const;
    // Whether the job differs from the script last opened or saved (or, before any, from
    // the job the window started with) in anything a script holds.
    bool unsaved() const;
    // The job as it is now is what the script holds.
    void markSaved();

    // Why a field needs attention, shown beside it (by the field's design name). A note
    // goes when its field's value changes.
    QString note(const QString& field) const { return notes_.value(field).text; }
    void setNote(const QString& field, const QString& text);
    void clearNotes();

    const RunDisplay& runDisplay() const { return run_; }
    // The source display: the job's source, or what a run shows in its place.
    QString shownSource() const;
    void setShownSource(const QString& text);
    void setStatusText(const QString& text);
    void setNameText(const QString& text);
    void setCountText(const QString& text);
    void setProgress(int percent);
    void setArchiverProgress(int percent);
    // What the run reports of its bytes; the window's estimate follows them.
    void reportRunBytes(RunPhase phase, qint64 done, qint64 total);

  signals:
    // The job or anything that follows from it changed.
    void changed();
    void runDisplayChanged();
    void commentChanged(bool on);
    void archiverProgressChanged(int percent);
    void runBytesReported(RunPhase phase, qint64 done, qint64 total);

  private:
    struct Note {
        QString text;
        QString value; // the field's value when the note was given
    };
    template <typename T> void edit(T JobSettings::*field, const T& value);
    template <typename T> void assign(T& field, const T& value);
    void applySizeUnits(JobSettings& job, int position);
    void setRun(const RunDisplay& run);
    void jobChanged();

    JobSession& session_;
    QString sourcePath_;
    bool threeDigitNumbers_ = false;
    bool imageSource_ = false;
    bool extraKindChosen_ = false;
    bool sourceBrowseEnabled_ = true;
    NumberingChoice numbering_ = NumberingChoice::None;
    int zipNameMaxLength_ = 6;
    QString sizeCaption_;
    QString estimateText_;
    QString sourceSizeText_;
    QString zipFreeText_;
    QString scriptPath_;
    QByteArray savedScript_;
    QMap<QString, Note> notes_;
    RunDisplay run_;
};

// The value a note's field holds in job (a path, a name, a number), by design name.
QString fieldValue(const JobSettings& job, const QString& field);
