#include "identifiers.h"

#include <cstdio>

namespace zqmarq {

namespace {
int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads 'digits' hex digits at text[pos]; false when any is not a hex digit.
bool readHex(std::string_view text, std::size_t pos, int digits, std::uint32_t& out) {
    out = 0;
    for (int i = 0; i < digits; ++i) {
        const int v = hexValue(text[pos + static_cast<std::size_t>(i)]);
        if (v < 0)
            return false;
        out = (out << 4) | static_cast<std::uint32_t>(v);
    }
    return true;
}
} // namespace

std::string Guid::toString() const {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1,
                  data2, data3, data4[0], data4[1], data4[2], data4[3], data4[4], data4[5],
                  data4[6], data4[7]);
    return buf;
}

std::optional<Guid> Guid::parse(std::string_view text) {
    if (text.size() != 38 || text.front() != '{' || text.back() != '}' || text[9] != '-' ||
        text[14] != '-' || text[19] != '-' || text[24] != '-')
        return std::nullopt;
    Guid g;
    std::uint32_t v = 0;
    if (!readHex(text, 1, 8, v))
        return std::nullopt;
    g.data1 = v;
    if (!readHex(text, 10, 4, v))
        return std::nullopt;
    g.data2 = static_cast<std::uint16_t>(v);
    if (!readHex(text, 15, 4, v))
        return std::nullopt;
    g.data3 = static_cast<std::uint16_t>(v);
    const std::size_t bytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!readHex(text, bytePos[i], 2, v))
            return std::nullopt;
        g.data4[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
    }
    return g;
}

std::array<std::uint8_t, 16> Guid::toBytes() const {
    std::array<std::uint8_t, 16> b{};
    for (int i = 0; i < 4; ++i)
        b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(data1 >> (8 * i));
    b[4] = static_cast<std::uint8_t>(data2);
    b[5] = static_cast<std::uint8_t>(data2 >> 8);
    b[6] = static_cast<std::uint8_t>(data3);
    b[7] = static_cast<std::uint8_t>(data3 >> 8);
    for (std::size_t i = 0; i < 8; ++i)
        b[8 + i] = data4[i];
    return b;
}

Guid Guid::fromBytes(const std::uint8_t* b) {
    Guid g;
    g.data1 = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
              (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    g.data2 = static_cast<std::uint16_t>(b[4] | (b[5] << 8));
    g.data3 = static_cast<std::uint16_t>(b[6] | (b[7] << 8));
    for (std::size_t i = 0; i < 8; ++i)
        g.data4[i] = b[8 + i];
    return g;
}

std::string describeResult(HResult hr) {
    switch (hr) {
    case kSOk:
        return "success";
    case kSFalse:
        return "success (false)";
    case kENotImpl:
        return "not implemented";
    case kENoInterface:
        return "interface not supported";
    case kEPointer:
        return "invalid pointer";
    case kEFail:
        return "unspecified failure";
    case kEInvalidArg:
        return "invalid argument";
    case kClassENotAvailable:
        return "class not available from this library";
    case kRegdbEClassNotReg:
        return "class not registered";
    case kSelfRegETypeLib:
        return "the type library could not be registered";
    case kSelfRegEClass:
        return "the classes could not be registered";
    case kDispEMemberNotFound:
        return "member not found";
    case kDispETypeMismatch:
        return "type mismatch";
    case kDispEUnknownName:
        return "unknown name";
    case kDispEOverflow:
        return "value out of range";
    case kDispEBadParamCount:
        return "wrong number of parameters";
    case kCtlESetNotSupported:
        return "property is read-only";
    case kCtlEInvalidPropertyValue:
        return "invalid property value";
    default:
        break;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "error 0x%08X", static_cast<unsigned>(hr));
    return buf;
}

} // namespace zqmarq
