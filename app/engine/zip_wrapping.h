#pragma once

#include "job/command.h"
#include "job/job_settings.h"

#include <QString>
#include <QStringList>

#include <QHash>

#include <cstdint>
#include <functional>
#include <optional>

class WindowPort;
class MachinePort;
class ZipComponent;

struct RunPlan;
struct PlannedZip;
struct FileRecord;
struct ZipPiece;

// Told of each zip once it is complete and holds its volume, before the volume is deleted;
// false with *error stops the wrapping there, the volume kept.
using ZipDoneHandler =
    std::function<bool(const PlannedZip& zip, const QString& zipPath, QString* error)>;

// What one wrapping of the volumes needs; the rip run owns all of it.
struct WrapContext {
    const RunPlan& plan; // the zips to make, their volumes bound
    const JobSettings& job;
    WindowPort& window;
    MachinePort& machine;
    ZipComponent& zip;
    int16_t diskNumber = 0; // out: the disk being wrapped when the loop ended
    ZipDoneHandler zipDone; // optional
    // The bytes of the run's volumes zipped before this call (joined from their pieces), which
    // the bytes zipped are counted from.
    qint64 zippedBefore = 0;
};

enum class WrapResult {
    Completed, // every volume wrapped and deleted (or there was none)
    ZipFailed, // a zip call or the comment step failed; that volume and later ones stay
    RunError,  // a companion file could not be read or written, or a volume not deleted
};

// Makes the plan's zips in set order: each holds its volume, its file_id.diz, the tagged nfo
// and the extra files, in that order (one zip call per volume), then gets the comment; the
// volume is deleted once its zip reads back holding it. The count shown is of the whole set
// (the plan's volume count), so a plan holding only the zips still to make counts right.
// With the plan's stamp time every entry, working copy and zip carries that time. Stops at the
// first failure with *errorText naming the step; the volume being wrapped and all later ones stay.
// Sets the zip component's level and handlers for the time of the call and clears its abort flag at
// the start.
WrapResult wrapVolumes(WrapContext& context, QString* errorText = nullptr);

// Told of zips made from pieces, a batch at a time, before their volumes are deleted; false
// with *error stops the wrapping there, those volumes kept.
using ZipsDoneHandler = std::function<bool(const QList<FileRecord>& zips, QString* error)>;

// Makes the plan's zips whose volume has a piece (zip_pieces.h) by joining it, in set order,
// each shown as wrapVolumes shows it, its working copies written as wrapVolumes writes them.
// A zip without a piece, or whose piece cannot be joined, is left to wrapVolumes: its index
// into the plan goes into *left (its piece removed). The volumes of the zips made are deleted
// once zipsDone has recorded them. Stops as wrapVolumes stops, every complete zip kept.
WrapResult wrapPieces(WrapContext& context, const QHash<QString, ZipPiece>& pieces,
                      const ZipsDoneHandler& zipsDone, QList<int>* left,
                      QString* errorText = nullptr);

// Writes a working copy that goes into the zips (the numbered diz, the tagged nfo), with the
// stamp's time when there is one. The user's companion files are only read: a copy never
// lands on one of them.
bool writeWorkingCopy(const QString& path, const QByteArray& bytes, const QString& userFile,
                      std::optional<qint64> stamp, QString* error);
// The tagged nfo's working copy for the plan, made once for all its zips; *nfoCopy empty when
// the plan has no nfo.
bool writeNfoCopy(const RunPlan& plan, const JobSettings& job, QString* nfoCopy, QString* error);

// ---- The per-volume values, as plain functions ----

// Compression level for all zips of a run: 9 with extra compression, else 6.
int zipCompressionLevel(const JobSettings& job);

// The volumes of outputFolder (normal files only, the run's journal left out) in the order
// they are wrapped: by name,
// numbers compared by value, and the first volume of an old-style set ("x.rar" before
// "x.r00", "x.ace" before "x.c00") first.
QStringList listVolumes(const QString& outputFolder);
QStringList sortVolumeNames(QStringList names);
bool volumeNameLess(const QString& a, const QString& b);

// A number as the platform writes it: a blank before a non-negative number.
QString platformNumberText(int value);
// Label11: " 3 of 12".
QString diskCountText(int diskNumber, int diskCount);
// The comment step: pkzip with the zip and "-z", its standard input the comment file.
Command commentCommand(const QString& zipBase, const QString& commentFile);
