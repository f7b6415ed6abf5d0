#pragma once

#include "engine/zip_splice.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <map>
#include <memory>
#include <optional>

struct RunPlan;
struct PlannedZip;
struct FileRecord;
class TemporaryLock;

// A zip begun while the archiver still writes: the zip of its volume alone, as the zip
// component writes the whole zip's first entry, waiting in the zip folder under a temporary
// name of its own. What depends on the set's count (the zip's name, the numbered
// file_id.diz), the companion files and the comment are added once the count is known,
// without touching the volume's bytes again (zip_splice.h).
struct ZipPiece {
    QString volume; // its name in the output folder, and its entry's name
    QString path;   // the piece itself, in the zip folder
    // The lock held beside the piece while it exists: when the last copy goes, the piece
    // goes, then its lock, so no other run removes a live piece and none is left unmarked.
    std::shared_ptr<TemporaryLock> lock;
    qint64 volumeSize = 0;
    quint32 volumeCrc = 0;
    qint64 volumeTime = 0; // the volume's modification time (ns) when it was taken
    qint64 localSize = 0;  // its local record: header and data
    qint64 fileSize = 0;   // the piece as made
    qint64 endOffset = 0;  // where its end record is
    ZipRecord record;      // the volume's central record
    quint32 localCrc = 0;  // CRC-32 of the piece's local part, header and data
};

// What making a piece needs; the same for every piece of a run.
struct PieceSettings {
    QString outputFolder;
    QString zipDir;
    int level = 6;
    std::optional<qint64> stampTime;
    // A volume the zip component stores is written here, byte for byte as it would write it
    // (storedZipMatchesComponent), in one pass that takes its CRC; else through the component.
    bool writeStored = false;
    // When set, writeStored is found out in this folder (storedZipMatchesComponent) by the
    // one who makes the pieces, before the first, rather than before the archiver starts.
    QString probeFolder;
};

// Whether this program's writing of a stored file's zip gives the zip component's bytes, on
// this system, for a run stamped so (a probe file in folder, removed again).
bool storedZipMatchesComponent(const QString& folder, std::optional<qint64> stamp);

// Puts the volume of outputFolder into a new piece: the zip of the volume alone, then every
// byte read back, the data against its CRC. False with *error when anything fails; nothing is
// left then. stop, when set, abandons it.
bool makePiece(const PieceSettings& settings, const QString& volume, ZipPiece* piece,
               const std::atomic<bool>* stop, QString* error);

// Whether the piece and its volume are still as they were when it was made (sizes and
// times, not the bytes): a last look before the volume goes.
bool pieceStillHolds(const ZipPiece& piece, const QString& volumePath, QString* error);

// Makes zips from pieces: the entries after the volume (the numbered file_id.diz, the nfo,
// the extra files) are zipped by the zip component on their own, into the run's work folder,
// and joined to the piece, whose central directory and end record they replace. The joined
// zip is checked and given its name. One per run, on its thread.
class PieceJoiner {
  public:
    PieceJoiner(const RunPlan& plan, const QString& workFolder);
    ~PieceJoiner();
    PieceJoiner(const PieceJoiner&) = delete;
    PieceJoiner& operator=(const PieceJoiner&) = delete;

    // Makes planned's zip of piece, in its place: the file_id.diz already written to
    // dizCopy and the nfo copy to nfoCopy, with comment (the comment file's bytes, as the
    // comment step sets them; empty: none). *made is the zip as the journal records it. False
    // with *error when the zip cannot be made this way (it is then made whole, as without a
    // piece); the piece is left for the caller to remove.
    bool join(const ZipPiece& piece, const PlannedZip& planned, const QString& dizCopy,
              const QString& nfoCopy, const QByteArray& comment, FileRecord* made, QString* error);
    // Gives the joined piece the zip's name, where nothing else has come meanwhile.
    static bool name(const ZipPiece& piece, const PlannedZip& planned, QString* error);

  private:
    struct Part;
    bool makePart(const QStringList& files, const QString& name, Part* part, QString* error);
    // The zip of one small file, made in memory: no file to write, read back and remove.
    bool makeMemoryPart(const QString& file, Part* part, QString* error);

    const RunPlan& plan_;
    QString workFolder_;
    // The entries after the diz, the same in many zips: zipped once, by their files.
    std::map<QString, std::unique_ptr<Part>> shared_;
};
