#pragma once

#include "engine/run_plan.h"
#include "job/job_settings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// The journal a run keeps in its output folder, so that a run stopped on the way (a signal, a
// full disk, kill -9) can be finished later with the same plan: what planRun needs to make
// the plan again even when the diz, the nfo or the script changed since, then, once the
// archiver is done, every volume with its size and CRC-32, then each zip as it is completed.
//
// A small versioned text file, one "key value" line each, values percent-encoded, ending with
// a line holding the CRC-32 of everything before it. It is replaced in one step each time it
// changes, never written through a link.

inline const QString kJournalName = QStringLiteral("kavel32.journal");
inline constexpr int kJournalVersion = 1;
// Two companion files of the largest size, percent-encoded, and the records of a whole set.
inline constexpr qint64 kMaxJournalBytes = 128 * 1024 * 1024;

// Whether a file of an output folder is the journal or a journal being written, not a volume.
bool isJournalFile(const QString& fileName);

// The entries of an output folder other than its journal: its volumes, or what else is there.
QStringList entriesBesideJournal(const QString& outputFolder);

// A file of the set as it was when recorded.
struct FileRecord {
    QString name; // a plain file name, no folder
    qint64 size = 0;
    quint32 crc = 0;
    bool operator==(const FileRecord&) const = default;
};

struct RunJournal {
    JobSettings job;
    // What was read from the disk for the plan: the diz bytes, the nfo lines, the extra files,
    // the folders and the zip folder's listing (the faults were all empty, or it did not run).
    PlanFacts facts;
    QList<FileRecord> extras;  // the extra files, to tell one changed since the run began
    QByteArray commentBytes;   // the zip comment's text, when the job attaches one
    PlanOptions options;       // without the archiver's count, which the volumes give
    bool archived = false;     // the archiver finished and volumes holds the set
    QList<FileRecord> volumes; // in set order
    QList<FileRecord> zips;    // each zip completed, in the order they were completed

    // The plan as the run made it once the archiver was done (before that, as it began).
    PlanOptions planOptions() const;
    bool operator==(const RunJournal&) const = default;
};

// The journal's bytes.
QByteArray formatJournal(const RunJournal& journal);

struct JournalRead {
    bool ok = false;
    QString error; // one line: what is wrong and where, when not ok
    RunJournal journal;
};

// Reads journal bytes, refusing anything that is not a journal of this version, complete and
// intact: a line out of place, a value that is not what its key holds, a file name with a
// folder in it, a count beyond what a set can have, a CRC that does not match.
JournalRead parseJournal(QByteArrayView bytes);

// The journal of an output folder; a missing one, one that is not a small regular file, or
// one that cannot be read is refused like bad bytes.
JournalRead readJournal(const QString& outputFolder);
bool writeJournal(const QString& outputFolder, const RunJournal& journal, QString* error);
bool hasJournal(const QString& outputFolder);
// Removes the journal, and what a killed run left of one it was writing; true when there is
// none left.
bool removeJournal(const QString& outputFolder);

// The journal a run begins with: its job, what the plan was made of (the extra files with
// their CRCs, the comment's text), its options. Empty with *error when a file cannot be read.
std::optional<RunJournal> journalFor(const JobSettings& job, const PlanFacts& facts,
                                     const PlanOptions& options, QString* error);

// A run that was stopped and left its journal: its folder and what it was making.
struct StoppedRun {
    QString folder;
    JobSettings job;
    bool archived = false;
    int zipsDone = 0;
    int zipsPlanned = 0;
};

// The output folders in workLocation whose run is gone (no one holds their lock) and left a
// journal that reads; in name order.
QList<StoppedRun> stoppedRuns(const QString& workLocation);
// Whether two jobs make the same zips: the same zip folder and zip name.
bool sameZips(const JobSettings& a, const JobSettings& b);
