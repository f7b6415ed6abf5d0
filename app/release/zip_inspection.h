#pragma once

#include "companion/diz_numbers.h"
#include "release/zip_directory.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// Inspecting one zip of a set as a receiving site's zip check does: it holds exactly the
// entries its place in the set calls for (one volume, its file_id.diz, the nfo and the
// extra files where they go) and nothing a receiver refuses; every entry reads back with
// its CRC, never past its declared size; its diz carries its disk numbers in a form
// receivers read. The volume's bytes go on to the joined test as they are read.

// What an entry must hold byte for byte: these bytes, or those of the job's file.
struct ExpectedContent {
    QByteArray bytes;
    QString file; // when not empty, the bytes are this file's
};

// What one zip must hold, from the job's plan or from what the other zips agree on.
struct ZipExpectation {
    int place = 0;          // k: its place in the set
    int count = 0;          // n: the set's zips
    QStringList companions; // every entry besides the volume: file_id.diz, the nfo, extras
    QString volumeName;     // the volume's own name, when known
    QString volumeStem;     // else: the volume is named <volumeStem>.<volume extension>
    QStringList zipOneOnly; // names that go into zip 1 only, for the fault's wording
    bool needsNfo = false;  // some entry is an nfo, whatever its name
    std::optional<QByteArray> dizText; // the job's numbered diz, byte for byte
    // The other companions' bytes, by their names in lower case (the nfo, the extra files).
    QHash<QString, ExpectedContent> contents;
    std::optional<QByteArray> comment; // the zip comment the job attaches (empty: none)
    bool fromJob = false;              // the expectation is the job's plan
};

struct ZipFindings {
    QString fileName;
    QStringList faults;
    QString volumeName; // empty when no entry could be taken for the volume
    qint64 volumeSize = 0;
    QByteArray volumeHead;       // its first bytes, for the format
    bool volumeComplete = false; // read whole with a good CRC and written out
    qint64 volumeBytesWritten = 0;
    DiskNumbers numbers;
    std::optional<quint32> fileCrc; // the CRC32 of the whole zip, when found on the way
};

// The place in its set that a volume's name gives it: "game.7z.003" 3, "game.part03.rar" 3,
// "game.rar" 1, "game.r00" 2, "game.ace" 1, "game.c01" 3, "game.7z" 1. Empty when the name
// gives none.
std::optional<int> volumePlace(const QString& name);
// The name with its place taken out, as every volume of one set spells it alike
// ("game.7z.#", "game.part#.rar", "game.r#" for game.rar and game.r00 alike).
QString volumeSpelling(const QString& name);

// Whether name is a volume of the archiver's named <volumeStem>: "game.7z.001", "game.7z",
// "game.zip.003", "game.rar", "game.r00", "game.part01.rar", "game.001", "game.ace",
// "game.c00" (case ignored). With an empty stem, any name of that shape.
bool isVolumeNameOf(const QString& name, const QString& volumeStem);

// The entries held against the expectation: which is the volume, and every fault (an entry
// refused, missing, held twice or not called for). Pure; the data is not read.
struct EntryJudgement {
    int volumeEntry = -1; // index into the entries
    QStringList faults;
};
EntryJudgement judgeEntries(const QList<ZipEntryInfo>& entries, const ZipExpectation& expected);

// The diz's numbers against the place and count, the form receivers read, the job's text.
QStringList dizFaults(const ZipDirectory& zip, const ZipExpectation& expected,
                      DiskNumbers* numbers);

// Judges the entries and the diz, then reads every other entry once: the volume is written
// to volumeFd (-1: nowhere), never more than its declared size. withFileCrc also finds the
// CRC32 of the whole zip file (for an SFV) without reading it again where it can.
ZipFindings inspectZip(const ZipDirectory& zip, const ZipExpectation& expected, int volumeFd,
                       bool withFileCrc);
