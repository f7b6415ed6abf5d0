// libFuzzer entry point for 7-Zip's technical listing of an archive that is about to be
// unpacked: any bytes give entries or a clear error, and what passes the judgement of the
// entries has no absolute path, no step out and nothing below a link.
#include "release/archive_listing.h"

#include <QSet>
#include <QStringList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ArchiveListing listing = parseArchiveListing(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (listing.ok != listing.error.isEmpty())
        __builtin_trap();
    if (!listing.ok || !unsafeEntry(listing.entries).isEmpty())
        return 0;
    QSet<QString> links;
    for (const ListedEntry& entry : listing.entries)
        if (entry.link)
            links.insert(entry.path);
    for (const ListedEntry& entry : listing.entries) {
        if (entry.path.startsWith(QLatin1Char('/')) ||
            entry.path.split(QLatin1Char('/')).contains(QStringLiteral("..")))
            __builtin_trap();
        for (const QString& link : links)
            if (entry.path.startsWith(link + QLatin1Char('/')))
                __builtin_trap();
    }
    return 0;
}
