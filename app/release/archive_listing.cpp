#include "release/archive_listing.h"

#include "job/text_lines.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

ArchiveListing parseArchiveListing(QByteArrayView output) {
    ArchiveListing listing;
    ListedEntry entry;
    bool inEntry = false, hasAttributes = false;
    auto close = [&] {
        if (inEntry && !hasAttributes) {
            listing.error = QStringLiteral("%1 has no attributes").arg(printableText(entry.path));
            return false;
        }
        if (inEntry)
            listing.entries << entry;
        entry = {};
        inEntry = hasAttributes = false;
        return true;
    };
    const QStringList lines = QString::fromUtf8(output).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty()) {
            if (!close())
                return listing;
            continue;
        }
        // "Key = Value"; an empty value may lose its trailing blank.
        if (line.endsWith(QLatin1String(" =")))
            line += QLatin1Char(' ');
        const qsizetype eq = line.indexOf(QStringLiteral(" = "));
        if (eq <= 0) {
            listing.error = QStringLiteral("line %1 is not \"key = value\"").arg(i + 1);
            return listing;
        }
        const QString key = line.left(eq);
        const QString value = line.mid(eq + 3);
        if (key == QLatin1String("Path")) {
            if (!close())
                return listing;
            inEntry = true;
            entry.path = value;
        } else if (!inEntry) {
            continue;
        } else if (key == QLatin1String("Size")) {
            entry.size = value.toLongLong();
        } else if (key == QLatin1String("Folder")) {
            entry.folder = entry.folder || value == QLatin1String("+");
        } else if (key == QLatin1String("Attributes")) {
            hasAttributes = true;
            // "D drwxr-xr-x", "A lrwxrwxrwx": the Windows letters, then the Unix mode.
            entry.folder = entry.folder || value.startsWith(QLatin1Char('D'));
            entry.link = value.section(QLatin1Char(' '), 1, 1).startsWith(QLatin1Char('l'));
        }
    }
    if (close())
        listing.ok = true;
    return listing;
}

QString unsafeEntry(const QList<ListedEntry>& entries) {
    QSet<QString> seen, links;
    for (const ListedEntry& entry : entries)
        if (entry.link)
            links.insert(entry.path);
    for (const ListedEntry& entry : entries) {
        const QString shown = printableText(entry.path);
        if (entry.path.isEmpty())
            return QStringLiteral("an entry has no name");
        if (entry.path.startsWith(QLatin1Char('/')) || entry.path.startsWith(QLatin1Char('\\')))
            return QStringLiteral("%1 is an absolute path").arg(shown);
        const QStringList steps = entry.path.split(QRegularExpression(QStringLiteral("[/\\\\]")));
        for (qsizetype i = 0; i < steps.size(); ++i) {
            if (steps[i] == QLatin1String("..") || steps[i] == QLatin1String(".") ||
                steps[i].isEmpty())
                return QStringLiteral("%1 leads out of the folder it is unpacked into").arg(shown);
            if (i + 1 < steps.size() && links.contains(steps.mid(0, i + 1).join(QLatin1Char('/'))))
                return QStringLiteral("%1 lies below a link of the archive").arg(shown);
        }
        if (seen.contains(entry.path))
            return QStringLiteral("%1 is listed twice").arg(shown);
        seen.insert(entry.path);
    }
    return {};
}

QString storedLinkTarget(const QString& extractedTarget, const QString& outputDir) {
    const QString prefix = QDir::cleanPath(outputDir);
    if (extractedTarget.startsWith(prefix + QLatin1Char('/')))
        return extractedTarget.mid(prefix.size());
    return extractedTarget;
}
