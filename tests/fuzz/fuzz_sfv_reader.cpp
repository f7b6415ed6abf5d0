// libFuzzer entry point for the SFV reader: any bytes give entries or a clear error, and
// what it reads it reads again the same from the layout it writes.
#include "release/sfv_file.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const SfvParse parsed =
        parseSfv(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (parsed.ok != parsed.error.isEmpty())
        __builtin_trap();
    if (!parsed.ok)
        return 0;
    for (const SfvEntry& entry : parsed.entries)
        if (entry.name.isEmpty() || entry.name.contains(QLatin1Char('/')))
            __builtin_trap();
    const SfvParse again = parseSfv(formatSfv(parsed.entries, {QStringLiteral("header")}));
    if (!again.ok || again.entries != parsed.entries)
        __builtin_trap();
    return 0;
}
