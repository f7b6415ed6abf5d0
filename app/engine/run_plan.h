#pragma once

#include "job/command.h"
#include "job/job_settings.h"
#include "job/window_port.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The set a run makes, described once: the run carries it out, the dry run prints it, the
// steps after the last zip take their names from it, and the check of a set, resume and
// unpack read it. planRun is a pure function of the job, what was read from the disk for it
// (PlanFacts) and the run's options, so every caller that asks gets the same set.

// A file in the zip folder named like one of a set's (a zip, its SFV, a PAR2 file): what
// holds the name, and what it says it is about.
struct ZipFolderEntry {
    enum class Kind { File, Link, Folder, Other };
    QString name;
    Kind kind = Kind::File;
    QStringList listed; // a zip's entries; the files an SFV or a PAR2 file lists
    QString readFault;  // why it could not be read as what its name says
    bool operator==(const ZipFolderEntry&) const = default;
};

// What the plan needs from the disk, read once before it is made: a file edited while the
// run goes on cannot change half a set.
struct PlanFacts {
    // The diz as it is (what goes into every zip unnumbered) and its lines; dizReadError
    // when it could not be read.
    QByteArray dizBytes;
    QStringList dizLines;
    QString dizReadError;
    // The nfo's lines, read once; nfoReadError when it could not be read.
    QStringList nfoLines;
    QString nfoReadError;
    // The files an extra directory adds (names, in the order they are added); for an extra
    // file, that file's name.
    QStringList extraFiles;
    // Why the comment file cannot be attached; empty when it can (or none is asked for).
    QString commentFault;
    // Why the run's private work folder cannot be used; empty when it can.
    QString workFolderFault;
    // Why the par2 program cannot be run; empty when it can.
    QString par2Fault;
    // Why the time to stamp with (SOURCE_DATE_EPOCH) cannot be used; empty when it can.
    QString stampFault;
    // The source as the archiver gets it, with links resolved (empty when it does not exist).
    QString canonicalSource;
    // The folders of the run's own that must never be packed: the zip folder, where output
    // folders are made and the scratch folder that holds every run's private work folder,
    // each with links resolved.
    QString canonicalZipDir;
    QString canonicalWorkLocation;
    QString canonicalScratchFolder;
    // The names in the zip folder (for the Overwrite question), and those named like a set
    // of the job's name read for what they hold (for the older set and what is in its way).
    QStringList zipDirFiles;
    QList<ZipFolderEntry> zipFolder;

    bool operator==(const PlanFacts&) const = default;
};

// Reads the facts for a job: the diz, the nfo and the extra directory once, the comment
// file, the folders, the zip folder's listing. Makes nothing: a dry run reads them too. The
// work folder and the par2 program are the caller's to look at.
PlanFacts readPlanFacts(const JobSettings& job, const QString& workLocation);
// Only the folders of those facts: the source and the run's own folders, links resolved.
PlanFacts readPlanFolders(const JobSettings& job, const QString& workLocation);
// The entries of zipDir named like a set of zipName's (whatever its date, digits or cut),
// each read for what it holds: a zip's central directory, an SFV's lines, a PAR2 file's
// recovery set. Links are not followed.
QList<ZipFolderEntry> readZipFolder(const QString& zipDir, const QString& zipName);

// The source's size in millions of bytes without the run's own folders inside it, which
// the archiver is told to leave out.
float sizeWithoutOwnFolders(float sourceSizeM, const PlanFacts& folders);

// What a caller decides that the job does not hold.
struct PlanOptions {
    float sourceSizeM = 0; // SourceSizeM, as measured (own folders left out)
    // The numbers' width (2 or 3) when the names of a set made before decide it; empty: the
    // estimate chooses. The archiver's real count may still widen two digits to three.
    std::optional<int> digits;
    RunFlags flags;             // batch and date stamp
    QString dateText;           // "mmdyy" of a "$" run, else empty
    std::optional<int> volumes; // the archiver's real count once it has run
    QString workLocation;       // where output folders are made
    QString outputFolder;       // the folder claimed (or, for a dry run, the one it would be)
    QString listFile;           // where the exclusion list goes, when there is one
    bool sfv = false;           // steps after the last zip
    int par2Percent = 0;
    bool verify = false;
    // The time every file of the set carries (SOURCE_DATE_EPOCH); empty: the clock's.
    std::optional<qint64> stampTime;
    bool operator==(const PlanOptions&) const = default;
};

// Why the plan cannot be carried out, and what the window does about it.
struct PlanFault {
    QString text; // one line naming the check
    Page page = Page::Source;
    QString focus; // design name of the field to focus
    QString box;   // the message box text outside batch mode; empty: none
    QString boxTitle = kErrorTitle;
    MessageIcon boxIcon = MessageIcon::Exclamation;
    // When it is found: by the job's own checks (before the Overwrite question), by the
    // set's (the numbering, the volume limit), or only from the archiver's real count.
    enum class Stage { Job, Set, AfterArchiving };
    Stage stage = Stage::Job;
    bool operator==(const PlanFault&) const = default;
};

// One entry of a zip: where it comes from and the name it gets.
struct PlanEntry {
    enum class Kind { Volume, Diz, Nfo, Extra };
    Kind kind = Kind::Volume;
    QString name;   // as the zip names it
    QString source; // the file it is made from (empty for a volume not yet made)
    bool operator==(const PlanEntry&) const = default;
};

struct PlannedZip {
    int number = 1;           // k: the zip's place in the set
    QString shownName;        // "game01.zip", as the progress page shows it
    QString path;             // in the zip folder
    QString base;             // path without ".zip" (the zip base)
    QByteArray dizText;       // its file_id.diz, byte for byte
    QString numberedLine;     // the diz line that carries its disk number; empty: none
    QList<PlanEntry> entries; // volume, file_id.diz, nfo, extra files, in that order
    bool operator==(const PlannedZip&) const = default;
};

struct RunPlan {
    std::optional<PlanFault> fault; // the first check that fails; nothing else is valid then
    QStringList warnings;           // what does not stop the run

    // Volumes.
    qint64 volumeBytes = 0; // each volume's size; 0: one archive, no volume size
    ArchiverKind archiverKind = ArchiverKind::Rar;
    float estimate = 0;      // estimated volumes (0 for one archive)
    int volumeCount = 1;     // zips: the archiver's count when known, else the estimate's
    bool countKnown = false; // volumeCount is the archiver's
    int digits = 2;          // of disk and zip numbers: 2 or 3 (ThreeDigitNumbers)
    QString extension;       // of the first volume: ".rar", ".001" or ".ace"
    QString archivePath;     // outputFolder + ZipName + extension
    Command archiver;        // the one command that makes the volumes
    QString listFile;        // the exclusion list, when anything is skipped
    QString exclusionText;   // its text: the skip list, then the run's own folders
    QStringList ownFolders;  // folders of the run's own inside the source, never packed

    // Names.
    QString zipDir;         // the zip folder, as the job names it
    QString zipName;        // the job's name, cut to fit 8.3 with the set's numbers
    QString stem;           // zipName + date text: what every file of the set starts with
    QList<PlannedZip> zips; // empty when only the raw archives are made
    int numberLine = 0;     // the diz line (from 1) that carries the disk numbers; 0: none
    int compressionLevel = 6;
    QString commentFile; // attached to every zip; empty: none
    QString nfoCopyName; // the tagged nfo's name in the zips; empty: no nfo
    QByteArray nfoText;  // the tagged nfo, byte for byte

    // What follows the last zip.
    QString sfvPath;  // empty: none
    QString par2Path; // STEM.par2; empty: none
    int par2Percent = 0;
    bool verify = false;
    // The time the zips, their entries and the files after them carry; empty: the clock's.
    std::optional<qint64> stampTime;

    // An older set of the same name in the zip folder, which this run replaces: zips named as
    // the set's that hold its volume, SFV and PAR2 files named after it that list its zips only
    // (never any other file, whatever its name).
    QStringList olderSet;
    // What stands on a name the set needs and is not provably the older set's, a line each
    // ("game12.zip in ZIPS is not of the set game: it holds game12.7z"): the run stops on it.
    QStringList strangers;
    // Files named like the set's that are not, and that it does not need, and zips that hold
    // another set's volumes: left alone. Any other zip beside the set is a stranger: a
    // receiving site takes every zip in the folder for one of the set's.
    QStringList leftAlone;
    // Whether the Overwrite question is due: a file in the zip folder starts with ZipName.
    bool zipNameTaken = false;

    bool ok() const { return !fault.has_value(); }
};

RunPlan planRun(const JobSettings& job, const PlanFacts& facts, const PlanOptions& options);

// The archiver's volumes, in set order, put into the plan's zips (one each).
void bindVolumes(RunPlan& plan, const QString& outputFolder, const QStringList& volumeNames);

// ---- Rules the plan is made of, exposed for the callers that need one alone ----

// The width of the set's disk and zip numbers before the archiver has run: options.digits
// when given, else 3 when more than 99 volumes are estimated; 2 for one archive. The diz
// numbering is judged with these digits wherever it is judged.
int plannedDigits(const JobSettings& job, const PlanOptions& options);

// "Kavel" + i with at least three digits: "Kavel001".
QString outputFolderName(int i);
// The first output folder name in workLocation that nothing holds yet.
QString firstFreeOutputFolder(const QString& workLocation);

// The number the volume name has in the set of volumes named volumeStem, as the archivers
// name them ("game.7z.002" 2, "game.7z" 1, "game.r00" 2, "game.part3.rar" 3; case ignored);
// 0 when it is not one of them.
int volumeNumberOf(const QString& name, const QString& volumeStem);

// Whether a zip holding these entries is provably another set's: it holds a volume of an
// archive named other than volumeStem ("game1.7z.001", "game12.7z") and none of volumeStem's.
bool holdsAnotherSet(const QStringList& entryNames, const QString& volumeStem);

// Sorts the zip folder's entries for the plan's set: the older set's files (olderSet), what
// stands on a name the set needs without being the older set's (strangers, and the plan's
// fault), and what it leaves alone. A zip is the older set's when it is named as one of the
// set's and holds exactly one volume of the job's, the one its number names; an SFV or PAR2
// file when it is named after the set and every name it lists is a zip of the set that is
// not in the folder as something else. kept (paths) are the set's own zips, made already.
void judgeZipFolder(RunPlan& plan, const JobSettings& job, const QList<ZipFolderEntry>& entries,
                    const QStringList& kept = {});

// The folders of the run's own that lie inside the source (or are it), with links resolved.
QStringList ownFoldersInSource(const PlanFacts& facts);
