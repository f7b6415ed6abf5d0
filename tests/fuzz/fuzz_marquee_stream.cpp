// Fuzz target for the marquee stream loader: any bytes either load or are refused with a
// message; what loads holds no more memory than a design may (its strings, picture bytes and
// decoded pixels under kMaxDesignBytes) and saves to bytes that load again to the same
// properties and bytes. Pictures are sized from their BMP or PNG headers, as a decoder reads
// them before decoding, and their bytes go through the metafile header reader.
#include "design_memory.h"
#include "metafile.h"
#include "persist.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint32_t be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// Width and height a raster header promises, or false.
bool rasterSize(const std::vector<std::uint8_t>& b, std::int64_t& w, std::int64_t& h) {
    static const std::uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (b.size() >= 24 && std::equal(png, png + 8, b.begin())) {
        w = be32(&b[16]);
        h = be32(&b[20]);
        return true;
    }
    if (b.size() >= 26 && b[0] == 'B' && b[1] == 'M') {
        w = static_cast<std::int32_t>(le32(&b[18]));
        h = std::llabs(static_cast<std::int32_t>(le32(&b[22])));
        return true;
    }
    return false;
}

zqmarq::PictureData decode(std::vector<std::uint8_t> bytes) {
    zqmarq::PictureData p;
    p.format = bytes.empty() ? zqmarq::PictureFormat::Empty : zqmarq::PictureFormat::Other;
    std::int64_t w = 0, h = 0;
    if (rasterSize(bytes, w, h) && w > 0 && h > 0 && w <= 0x7FFFFF && h <= 0x7FFFFF) {
        p.format = zqmarq::PictureFormat::Png;
        p.widthHimetric = zqmarq::pixelsToHimetric(static_cast<int>(w));
        p.heightHimetric = zqmarq::pixelsToHimetric(static_cast<int>(h));
    } else if (const auto meta = zqmarq::sniffMetafile(bytes.data(), bytes.size())) {
        if (meta->widthHimetric < 0 || meta->heightHimetric < 0)
            std::abort();
        p.format = zqmarq::PictureFormat::Metafile;
        p.widthHimetric = meta->widthHimetric;
        p.heightHimetric = meta->heightHimetric;
    }
    p.bytes = std::move(bytes);
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zqmarq::MarqueeModel model;
    std::string error;
    if (!zqmarq::loadFromStream(data, size, model, &error, decode)) {
        // Refused: a message, and the control left at its defaults.
        if (error.empty() || model.text != zqmarq::kDefaultText || model.frame != 2)
            std::abort();
        std::size_t consumed = 0;
        zqmarq::MarqueeModel embedded;
        if (zqmarq::loadFromStream(data, size, embedded, &error, decode, &consumed) &&
            (consumed > size || zqmarq::designMemory(embedded) > zqmarq::kMaxDesignBytes))
            std::abort();
        return 0;
    }
    if (zqmarq::designMemory(model) > zqmarq::kMaxDesignBytes)
        std::abort();
    const std::vector<std::uint8_t> saved = zqmarq::saveToStream(model);
    zqmarq::MarqueeModel again;
    if (!zqmarq::loadFromStream(saved.data(), saved.size(), again, &error, decode))
        std::abort();
    if (!(again == model) || zqmarq::saveToStream(again) != saved)
        std::abort();
    return 0;
}
