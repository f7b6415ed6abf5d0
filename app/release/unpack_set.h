#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// What a receiver does with a set, in one step: check it as --verify does; where zips are
// missing or damaged and the set's PAR2 files are there, repair copies of them in the private
// work folder with par2 (the zip folder is never changed); take the volumes out of the zips,
// check the archive's listing (nothing may land outside the destination or be written through
// a link), and extract it with 7-Zip beside the destination, which takes its name only once
// the whole tree is there. Links come back with the targets they were stored with.

struct UnpackRequest {
    QString zipDir;
    QString dest; // must not exist, or be an empty folder; its parent must exist
};

// The step under way and how far it is (0..100, or -1 when that is not known).
using UnpackStatus = std::function<void(const QString& step, int percent)>;

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

// One entry of an archive as "7zz l -slt -ba" lists it.
struct ListedEntry {
    QString path;
    bool folder = false;
    bool link = false;
    qint64 size = 0;
    bool operator==(const ListedEntry&) const = default;
};

struct ArchiveListing {
    bool ok = false;
    QString error;
    QList<ListedEntry> entries;
};

// Reads 7-Zip's technical listing: blocks of "Key = Value" lines, one block per entry.
// Anything else is refused.
ArchiveListing parseArchiveListing(QByteArrayView output);

// Why extracting these entries could write outside the destination or through a link: an
// absolute path, a ".." step, a path listed twice, a path below a link of the archive. Empty
// when none could.
QString unsafeEntry(const QList<ListedEntry>& entries);

// The target a link was stored with, given the target 7-Zip made for it when extracting into
// outputDir: 7-Zip puts outputDir before an absolute target; the stored one is what follows.
QString storedLinkTarget(const QString& extractedTarget, const QString& outputDir);
