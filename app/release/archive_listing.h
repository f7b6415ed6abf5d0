#pragma once

// What 7-Zip lists of an archive, read and judged before anything is extracted.

#include <QByteArrayView>
#include <QList>
#include <QString>

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
