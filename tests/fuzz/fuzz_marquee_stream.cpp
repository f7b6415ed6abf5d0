// Fuzz target for the marquee stream loader: any bytes either load or are refused with a
// message; what loads saves to bytes that load again to the same properties and bytes. The
// pictures' bytes go through the metafile header reader.
#include "metafile.h"
#include "persist.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
zqmarq::PictureData decode(std::vector<std::uint8_t> bytes) {
    zqmarq::PictureData p;
    p.format = bytes.empty() ? zqmarq::PictureFormat::Empty : zqmarq::PictureFormat::Other;
    if (const auto meta = zqmarq::sniffMetafile(bytes.data(), bytes.size())) {
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
            consumed > size)
            std::abort();
        return 0;
    }
    const std::vector<std::uint8_t> saved = zqmarq::saveToStream(model);
    zqmarq::MarqueeModel again;
    if (!zqmarq::loadFromStream(saved.data(), saved.size(), again, &error, decode))
        std::abort();
    if (!(again == model) || zqmarq::saveToStream(again) != saved)
        std::abort();
    return 0;
}
