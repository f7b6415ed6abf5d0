#include "design_memory.h"

namespace zqmarq {

std::int32_t pixelsToHimetric(int pixels) {
    constexpr int ppi = 96;
    return static_cast<std::int32_t>((2540LL * pixels + ppi / 2) / ppi);
}

int himetricToPixels(std::int32_t himetric) {
    if (himetric <= 0)
        return 0;
    return static_cast<int>((static_cast<std::int64_t>(himetric) * 96 + 1270) / 2540);
}

std::uint64_t pictureMemory(const PictureData& p) {
    std::uint64_t bytes = p.bytes.size();
    if (p.isRaster()) {
        bytes += 4ULL * static_cast<std::uint64_t>(himetricToPixels(p.widthHimetric)) *
                 static_cast<std::uint64_t>(himetricToPixels(p.heightHimetric));
    }
    return bytes;
}

std::uint64_t designMemory(const MarqueeModel& m) {
    std::uint64_t bytes = m.text.size() + m.nextDisplayString.size();
    if (m.font)
        bytes += m.font->faceName.size();
    for (const FontDesc& f : m.heading)
        bytes += f.faceName.size();
    for (const auto& p : m.picture) {
        if (p)
            bytes += pictureMemory(*p);
    }
    return bytes;
}

std::string designTooLargeMessage(const char* property, std::uint64_t bytes) {
    return "The design is too large: with " + std::string(property) + " it needs " +
           std::to_string(bytes) + " bytes, more than the " + std::to_string(kMaxDesignBytes) +
           " bytes a design may use";
}

} // namespace zqmarq

namespace zqmarq {

std::size_t textLength(const std::string& text) {
    std::size_t n = 0;
    for (const char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80; // UTF-8 continuation bytes
    return n;
}

std::optional<std::string> designRefusal(const MarqueeModel& m, const char* property) {
    for (const auto* text : {&m.text, &m.nextDisplayString}) {
        const std::size_t length = textLength(*text);
        if (length > kMaxTextLength) {
            return "The text is too long: " + std::string(property) + " holds " +
                   std::to_string(length) + " characters, more than the " +
                   std::to_string(kMaxTextLength) + " a marquee shows";
        }
    }
    const std::uint64_t bytes = designMemory(m);
    if (bytes > kMaxDesignBytes)
        return designTooLargeMessage(property, bytes);
    return std::nullopt;
}

} // namespace zqmarq
