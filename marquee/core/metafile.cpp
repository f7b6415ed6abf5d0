#include "metafile.h"

#include <algorithm>

namespace zqmarq {

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kWmfHeaderSize = 18;
constexpr std::uint32_t kEmfHeaderRecord = 1;
constexpr std::uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr std::int64_t kHimetricPerInch = 2540;
// Nothing sensible is larger (about 26 m); a larger size is treated as unknown.
constexpr std::int64_t kMaxHimetric = 2540000;

std::uint16_t u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::int16_t i16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(u16(p));
}
std::uint32_t u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(u16(p)) | (static_cast<std::uint32_t>(u16(p + 2)) << 16);
}
std::int32_t i32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(u32(p));
}

// The 18-byte header every WMF starts with (after a placeable header, if any).
bool isWmfHeader(const std::uint8_t* p, std::size_t size) {
    if (size < kWmfHeaderSize)
        return false;
    const std::uint16_t type = u16(p);
    const std::uint16_t headerWords = u16(p + 2);
    const std::uint16_t version = u16(p + 4);
    return (type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300);
}

std::int32_t sane(std::int64_t himetric) {
    return himetric > 0 && himetric <= kMaxHimetric ? static_cast<std::int32_t>(himetric) : 0;
}

} // namespace

std::optional<MetafileInfo> sniffMetafile(const std::uint8_t* data, std::size_t size) {
    if (!data)
        return std::nullopt;
    if (size >= kPlaceableSize + kWmfHeaderSize && u32(data) == kPlaceableKey &&
        isWmfHeader(data + kPlaceableSize, size - kPlaceableSize)) {
        MetafileInfo info{MetafileKind::PlaceableWmf};
        const std::int64_t left = i16(data + 6), top = i16(data + 8);
        const std::int64_t right = i16(data + 10), bottom = i16(data + 12);
        const std::int64_t unitsPerInch = u16(data + 14);
        if (unitsPerInch > 0) {
            info.widthHimetric = sane((right - left) * kHimetricPerInch / unitsPerInch);
            info.heightHimetric = sane((bottom - top) * kHimetricPerInch / unitsPerInch);
        }
        if (info.widthHimetric == 0 || info.heightHimetric == 0)
            info.widthHimetric = info.heightHimetric = 0;
        return info;
    }
    if (isWmfHeader(data, size))
        return MetafileInfo{MetafileKind::Wmf};
    if (size >= 44 && u32(data) == kEmfHeaderRecord && u32(data + 40) == kEmfSignature) {
        // The frame, in hundredths of a millimetre: HIMETRIC already.
        MetafileInfo info{MetafileKind::Emf};
        const std::int64_t left = i32(data + 24), top = i32(data + 28);
        const std::int64_t right = i32(data + 32), bottom = i32(data + 36);
        info.widthHimetric = sane(right - left);
        info.heightHimetric = sane(bottom - top);
        if (info.widthHimetric == 0 || info.heightHimetric == 0)
            info.widthHimetric = info.heightHimetric = 0;
        return info;
    }
    return std::nullopt;
}

} // namespace zqmarq
