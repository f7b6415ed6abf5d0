// Fuzz target for the component files: the registry file (any bytes are read or refused with
// a message; what is read is written and read back to the same entries) and the version
// block reader (any bytes give a block or a message).
#include "component_registry.h"
#include "version_block.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    if (!zqmarq::readVersionBlock(bytes, &error) && error.isEmpty())
        std::abort();

    zqmarq::ComponentRegistry reg;
    error.clear();
    if (!reg.parse(bytes, QStringLiteral("fuzz.reg"), &error)) {
        if (error.isEmpty() || !reg.keys().isEmpty())
            std::abort();
        return 0;
    }
    const QByteArray saved = reg.serialize();
    zqmarq::ComponentRegistry again;
    if (!again.parse(saved, QStringLiteral("again.reg"), &error) || again.serialize() != saved)
        std::abort();
    return 0;
}
