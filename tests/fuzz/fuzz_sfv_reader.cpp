// libFuzzer entry point for the readers of the files that travel beside a set, each given the
// same bytes: the SFV reader gives entries or a clear error, and what it reads it reads again
// the same from the layout it writes; the PAR2 reader gives a recovery set's files or a clear
// error, never more files than a set may list.
#include "engine/set_listings.h"
#include "release/sfv_file.h"

#include <cstddef>
#include <cstdint>

namespace {
void sfv(QByteArrayView bytes) {
    const SfvParse parsed = parseSfv(bytes);
    if (parsed.ok != parsed.error.isEmpty())
        __builtin_trap();
    if (!parsed.ok)
        return;
    for (const SfvEntry& entry : parsed.entries)
        if (entry.name.isEmpty() || entry.name.contains(QLatin1Char('/')))
            __builtin_trap();
    const SfvParse again = parseSfv(formatSfv(parsed.entries, {QStringLiteral("header")}));
    if (!again.ok || again.entries != parsed.entries)
        __builtin_trap();
}

void par2(QByteArrayView bytes) {
    const Par2Listing listing = parsePar2(bytes);
    if (listing.ok != listing.error.isEmpty())
        __builtin_trap();
    if (!listing.ok)
        return;
    if (listing.files.size() > kMaxPar2Files || listing.setId.size() != 16)
        __builtin_trap();
    for (const Par2File& file : listing.files)
        if (file.name.isEmpty() || file.id.size() != 16 || file.md5.size() != 16 || file.size < 0)
            __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    sfv(bytes);
    par2(bytes);
    return 0;
}
