// libFuzzer entry point for the size listing parser and the size field parse.
#include "source/size_listing.h"

#include <QBuffer>

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const ListingScan scan = scanSizeListing(buffer, QStringLiteral("/src/Game Pack"));
    const float millions = parseSizeField(scan.totalsLine);
    if (!std::isfinite(millions) || millions < 0 ||
        (scan.outcome != ListingOutcome::Found && !scan.totalsLine.isEmpty()))
        __builtin_trap();
    return 0;
}
