#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// What a receiver does with a set, in one step: check it as --verify does, reading every zip
// through the same reader, which takes each volume out of its zip (wherever it stands among
// the entries) into the private work folder; where zips are missing or damaged and the set's
// PAR2 files are there, repair copies of them there with par2 (the zip folder is never
// changed); check the archive's listing (nothing may land outside the destination or be
// written through a link), and extract it once with 7-Zip beside the destination: its own
// CRCs are the test of the joined volumes, and every status but success fails. The tree
// takes the destination's name only once it is whole. Links come back with the targets they
// were stored with.

struct UnpackRequest {
    QString zipDir;
    QString dest; // must not exist, or be an empty folder; its parent must exist
    // Asked between steps and while 7-Zip extracts: true ends the unpack as "cancelled",
    // with nothing left in the destination's place.
    std::function<bool()> cancelled;
};

// The step under way and how far it is (0..100, or -1 when that is not known).
using UnpackStatus = std::function<void(const QString& step, int percent)>;

inline const QString kUnpackCancelledText = QStringLiteral("cancelled");

struct UnpackResult {
    bool ok = false;
    QString failure;      // one line, when not ok
    QStringList report;   // what was checked, repaired and unpacked, a line each
    QStringList repaired; // the zips par2 made whole again, "name (missing)" or "name (damaged)"
    qint64 files = 0;     // files and links unpacked
    qint64 bytes = 0;     // their bytes
};

UnpackResult unpackSet(const UnpackRequest& request, const UnpackStatus& status = {});

// ---- Pieces, exposed for tests ----

// Why the destination cannot take the set: it exists and is not an empty folder, is a link,
// or its parent folder is missing. Empty when it can.
QString destinationFault(const QString& dest);
