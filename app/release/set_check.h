#pragma once

#include "job/command.h"
#include "job/job_settings.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Checking a set of zips the way a receiving site does before it takes them: every zip
// opens and reads back with its CRCs, holds one volume and a file_id.diz whose disk numbers
// say k of n, the names number the set in order, the nfo is where the job puts it, an SFV
// beside the zips agrees, and the volumes joined in order pass the archiver's own test.
// Nothing is written into the checked folder: the volumes are joined in a private
// temporary folder of the program's work folder.

struct SetCheckRequest {
    QString folder;
    std::optional<JobSettings> job; // the job that made the set, when known (a script)
    QString stem;                   // the names before the numbers, when known (a run's own)
    bool dateStamped = false;       // the names carry the date on purpose (a "$" run)
};

struct SetReport {
    QStringList lines;  // a header, a line per zip, the set's lines, a summary
    QStringList faults; // every fault, each naming its zip where it has one
    int zips = 0;       // zips taken for the set
    bool passed() const { return faults.isEmpty(); }
};

// status, when given, is told what is being checked (a window shows it and keeps painting).
SetReport checkSet(const SetCheckRequest& request,
                   const std::function<void(const QString&)>& status = {});

// ---- Pieces, exposed for tests ----

// A zip's name taken apart: the stem, the set number (0: none, a single archive) and the
// number's width.
struct SetZipName {
    QString fileName;
    QString stem;
    int number = 0;
    int width = 0;
};

// Names a list of zip file names. With knownStem the numbers are what follows it. Without,
// the width (two or three digits) is chosen that gives the most names one common stem, then
// the lowest numbers: "game001".."game012" are numbers 1 to 12 of "game", "game0759801" is
// number 1 of the date-stamped "game07598". One zip without a number is a single archive.
QList<SetZipName> nameZips(const QStringList& fileNames, const QString& knownStem = {});

// Whether a file name fits the 8.3 form of old file systems: a base of 1 to 8 and an
// extension of at most 3 characters DOS allows in short names.
bool fits83(const QString& fileName);

enum class VolumeFormat { SevenZip, Zip, Rar, Unknown };
// The archive format a set's first volume starts with.
VolumeFormat volumeFormat(QByteArrayView head);

// The archiver's own test of a volume set given by its first volume: "7zz t" (7z and split
// zip sets; 7z when 7zz is missing) or, for RAR, "rar t" when rar is installed, else 7-Zip,
// which reads RAR too. Empty program when no tester is installed.
Command volumeTestCommand(VolumeFormat format, const QString& firstVolume);

// The line of an archiver's test output that says what failed, e.g. "ERROR: CRC Failed :
// data.bin"; empty when none does.
QString testFailureLine(const QByteArray& output);
