// Fuzz target for the marquee markup: the tokenizer, then layout and a few scroll ticks on a
// fake surface with fixed metrics. The first bytes choose direction, justification, heading
// sizes and picture extents; the rest is the markup.
#include "layout.h"
#include "markup.h"
#include "marquee_engine.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

using namespace zqmarq;

// Text metrics from the font size alone; drawing only checks the rectangle it is given.
class FakeSurface : public Surface {
  public:
    FakeSurface(int w, int h) : w_(w), h_(h) {}
    std::unique_ptr<Surface> createCompatible(int width, int height) override {
        if (width < 0 || height < 0)
            __builtin_trap();
        // A memory surface this big could not be made; the caller must cope.
        if (std::int64_t(width) * height > 64 * 1024 * 1024)
            return nullptr;
        return std::make_unique<FakeSurface>(width, height);
    }
    void fillRect(const Rect&, OleColor) override {}
    bool selectFont(const FontDesc& f) override {
        if (f.faceName.empty() || f.size <= 0)
            return false;
        points_ = int(std::min<std::int64_t>(f.size / 10000, 2000));
        return true;
    }
    void setTextColor(OleColor) override {}
    int textWidth(std::string_view run) override {
        int n = 0;
        for (char c : run)
            n += (c != '\r' && c != '\n');
        return int(std::min<std::int64_t>(std::int64_t(n) * (points_ / 2 + 1), 1 << 24));
    }
    int textHeight(std::string_view run) override {
        std::int64_t lines = 1;
        for (char c : run)
            lines += (c == '\n');
        return int(std::min<std::int64_t>(lines * (points_ * 4 / 3 + 1), 1 << 24));
    }
    void drawText(std::string_view run, const Rect&) override {
        // Touch every byte so a run past its text shows.
        volatile char sink = 0;
        for (char c : run)
            sink = sink ^ c;
    }
    void drawPicture(const PictureData& p, const Rect&, const Rect&) override {
        if (p.isEmpty())
            __builtin_trap();
    }
    void copyFrom(const Surface&, int, int, Point) override {}

  private:
    int w_, h_;
    int points_ = 12;
};

std::int32_t take32(const std::uint8_t*& data, std::size_t& size) {
    std::int32_t v = 0;
    if (size >= 4) {
        std::memcpy(&v, data, 4);
        data += 4;
        size -= 4;
    }
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 64 * 1024)
        return 0;
    MarqueeModel model;
    model.direction = take32(data, size) % 8;
    model.justification = take32(data, size);
    model.tickIncrement = std::int16_t(take32(data, size));
    for (FontDesc& heading : model.heading)
        heading.size = take32(data, size);
    for (int i = 0; i < 3; ++i) {
        PictureData picture;
        picture.bytes = {1, 2, 3};
        picture.format = PictureFormat::Bitmap;
        picture.widthHimetric = take32(data, size);
        picture.heightHimetric = take32(data, size);
        model.picture[std::size_t(i) * 4] = picture;
    }
    // The ticker options, any values: still content, buffers, a pause, a fade, a speed.
    const std::uint32_t ticker = take32(data, size);
    model.ticker.scrollOnlyWhenNeeded = ticker & 1;
    model.ticker.alignment = static_cast<std::int32_t>(ticker >> 1);
    model.ticker.leadingBuffer = static_cast<std::int32_t>(take32(data, size));
    model.ticker.trailingBuffer = static_cast<std::int32_t>(take32(data, size));
    model.ticker.pauseAtEnds = static_cast<std::int32_t>(ticker & 2);
    model.ticker.fadeWidth = static_cast<std::int32_t>(ticker >> 16);
    model.text.assign(reinterpret_cast<const char*>(data), size);

    // Every token is a non-empty slice of the markup, and together they cover it in order.
    std::size_t covered = 0;
    for (const Token& token : tokenize(model.text)) {
        if (token.text.empty() || token.text.data() != model.text.data() + covered)
            __builtin_trap();
        covered += token.text.size();
    }
    if (covered != model.text.size())
        __builtin_trap();

    FakeSurface target(320, 40);
    const Rect bounds{0, 0, 320, 40};
    layoutPass(target, model, FontDesc::defaultHeading(), bounds, true);
    MarqueeEngine engine;
    engine.paint(target, model, bounds, bounds);
    for (int i = 0; i < 4; ++i) {
        engine.tick(model, 320, 40,
                    i == 2 ? std::optional<int>(model.ticker.leadingBuffer) : std::nullopt);
        engine.paint(target, model, bounds, bounds);
    }
    return 0;
}
