#pragma once

#include "job/command.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// Joining a set's volumes and testing them with the archiver's own test. The volumes are
// written (never more than each declares) into a private folder of the program's work
// folder, never into the checked one; the archive they make must pass the test without a
// warning and end exactly at the end of the last volume.

enum class VolumeFormat { SevenZip, Zip, Rar, Unknown };
// The archive format a set's first volume starts with.
VolumeFormat volumeFormat(QByteArrayView head);

// The archiver's own test of a volume set given by its first volume: "7zz t" (7z and split
// zip sets; 7z when 7zz is missing) or, for RAR, "rar t" when rar is installed, else 7-Zip,
// which reads RAR too. Empty program when no tester is installed.
Command volumeTestCommand(VolumeFormat format, const QString& firstVolume);

// What an archiver's test output says went wrong.
struct TestOutput {
    QString failure;                    // the lines that say what failed ("ERROR: ...")
    QString warning;                    // what it warns of ("There are data after the end")
    std::optional<qint64> physicalSize; // where the archive ends in the joined volumes
    std::optional<qint64> tailSize;     // bytes after that end
};
TestOutput readTestOutput(const QByteArray& output);

// One zip's volume as the check wrote it out.
struct JoinedVolume {
    QString zipLabel; // "zip 05 game05.zip"
    QString name;     // the volume's own name in the zip
    QString path;     // where it was written
    QByteArray head;  // its first bytes
    qint64 size = 0;
};

// The folder the volumes are written into, with room for bytesNeeded: a private one in the
// program's work folder, removed with the object, or keptIn, which stays.
class JoinFolder {
  public:
    explicit JoinFolder(qint64 bytesNeeded, const QString& keptIn = {});
    QString fault() const { return fault_; } // why the volumes cannot be joined
    // Where the volume of the zip at place k is written.
    QString volumePath(int place) const;

  private:
    std::optional<QTemporaryDir> dir_;
    QString path_;
    QString fault_;
};

// Names the written volumes (in set order) as their format's tester and extractor expect:
// set.7z.001, set.7z.002, ... (RAR volumes by their own names); each path follows its
// volume, the first is the one to give the archiver. Empty when they are; else the fault,
// naming the zip.
QString joinVolumes(QList<JoinedVolume>& set);

// Joins the written volumes (in set order) and runs their format's tester on them. Empty
// when they pass, with *passedLine saying so; else the fault, naming the zip whose volume
// holds what is wrong where the output tells.
QString testJoinedVolumes(QList<JoinedVolume> set, QString* passedLine);

// Why an archiver's run on joined volumes did not pass, from its status and output: a status
// other than 0, a warning, or data after the archive's end. Empty when it passed. tester is
// how the run is named ("7zz t", "7zz x").
QString joinedRunFault(const QList<JoinedVolume>& set, const QString& tester, int status,
                       const QByteArray& output);
