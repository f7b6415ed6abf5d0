// Fuzz target for the marquee stream loader: any bytes either load or are refused with a
// message; what loads holds no more memory than a design may (its strings, picture bytes and
// decoded pixels under kMaxDesignBytes) and saves to bytes that load again to the same
// properties and bytes. Pictures go through the check made before decoding, and the metafile
// header reader; texts are within their bound.
#include "design_memory.h"
#include "image_check.h"
#include "metafile.h"
#include "persist.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// As the widget decodes: only an image checked through (every length within its bytes, its
// size within the bound) gets a format and a size; the checker is fuzzed with it.
zqmarq::PictureData decode(std::vector<std::uint8_t> bytes) {
    zqmarq::PictureData p;
    p.format = bytes.empty() ? zqmarq::PictureFormat::Empty : zqmarq::PictureFormat::Other;
    const auto image = zqmarq::checkImage(bytes.data(), bytes.size(), zqmarq::kMaxDesignBytes / 4);
    if (image) {
        if (image->width <= 0 || image->height <= 0 || image->decodable.size() > bytes.size())
            std::abort();
        p.format = image->format;
        p.widthHimetric = zqmarq::pixelsToHimetric(image->width);
        p.heightHimetric = zqmarq::pixelsToHimetric(image->height);
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
    if (zqmarq::designRefusal(model, "the design"))
        std::abort();
    const std::vector<std::uint8_t> saved = zqmarq::saveToStream(model);
    zqmarq::MarqueeModel again;
    if (!zqmarq::loadFromStream(saved.data(), saved.size(), again, &error, decode))
        std::abort();
    if (!(again == model) || zqmarq::saveToStream(again) != saved)
        std::abort();
    return 0;
}
