#pragma once
// Recognises Windows metafiles among a picture's bytes (placeable WMF, plain WMF, EMF) and
// reads the size their header gives. The library cannot draw them: such a picture keeps its
// bytes for saving and its slot in the layout, draws nothing, and the picture page says so.

#include <cstddef>
#include <cstdint>
#include <optional>

namespace zqmarq {

enum class MetafileKind { PlaceableWmf, Wmf, Emf };

struct MetafileInfo {
    MetafileKind kind;
    // From the header (placeable WMF, EMF); 0 when the header gives no size (plain WMF) or an
    // unusable one.
    std::int32_t widthHimetric = 0;
    std::int32_t heightHimetric = 0;
};

// Nothing when the bytes do not start with a metafile header. Reads only within size.
std::optional<MetafileInfo> sniffMetafile(const std::uint8_t* data, std::size_t size);

} // namespace zqmarq
