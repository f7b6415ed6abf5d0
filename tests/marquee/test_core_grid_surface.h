#pragma once
// A Surface on a plain pixel grid with fixed font metrics, recording what text and pictures
// were drawn where. Metrics: a character is points / 2 pixels wide (line breaks take no
// width), a line is points * 4 / 3 pixels high.

#include "surface.h"

#include <string>
#include <vector>

namespace zqmarq::testing {

struct TextCall {
    std::string text;
    Rect rect;
    OleColor color;
    FontDesc font;
};

struct PictureCall {
    Rect dest;
    Rect bounds;
    std::int32_t widthHimetric;
};

class GridSurface : public Surface {
  public:
    GridSurface(int w, int h, OleColor fill = 0x00FF00FF)
        : w_(w), h_(h), px_(std::size_t(w) * h, fill) {}

    std::unique_ptr<Surface> createCompatible(int width, int height) override {
        created.push_back({width, height});
        if (failCreate)
            return nullptr;
        auto s = std::make_unique<GridSurface>(width, height);
        s->colours = colours;
        return s;
    }
    void fillRect(const Rect& r, OleColor color) override {
        ++fills;
        const Rect c = r.intersected({0, 0, w_, h_});
        for (int y = c.top; y < c.bottom; ++y)
            for (int x = c.left; x < c.right; ++x)
                px_[std::size_t(y) * w_ + x] = color;
    }
    bool selectFont(const FontDesc& f) override {
        if (f.faceName.empty())
            return false;
        font = f;
        return true;
    }
    void setTextColor(OleColor c) override { textColor = c; }
    int textWidth(std::string_view run) override {
        int n = 0;
        for (char c : run)
            n += (c != '\r' && c != '\n');
        return n * charWidth();
    }
    int textHeight(std::string_view run) override {
        int lines = 1;
        for (std::size_t i = 0; i < run.size(); ++i) {
            if (run[i] == '\r' && i + 1 < run.size() && run[i + 1] == '\n')
                ++i;
            if (run[i] == '\r' || run[i] == '\n')
                ++lines;
        }
        return lines * lineHeight();
    }
    void drawText(std::string_view run, const Rect& r) override {
        texts.push_back({std::string(run), r, textColor, font});
    }
    void drawPicture(const PictureData& p, const Rect& dest, const Rect& bounds) override {
        pictures.push_back({dest, bounds, p.widthHimetric});
        fillRect(dest, 0x00123456);
    }
    void copyFrom(const Surface& src, int width, int height, Point dest) override {
        ++copies;
        const auto& g = static_cast<const GridSurface&>(src);
        for (int y = 0; y < height && y < g.h_; ++y)
            for (int x = 0; x < width && x < g.w_; ++x) {
                const int tx = dest.x + x, ty = dest.y + y;
                if (tx >= 0 && ty >= 0 && tx < w_ && ty < h_)
                    px_[std::size_t(ty) * w_ + tx] = g.px_[std::size_t(y) * g.w_ + x];
            }
    }
    bool isRasterPrinter() const override { return printer; }
    int numColors() const override { return colours; }
    int logPixelsX() const override { return ppiX; }
    int logPixelsY() const override { return ppiY; }
    void setAnisotropicMapping(Size windowExt, Point viewportOrg, Size viewportExt) override {
        mapped = true;
        mapWindowExt = windowExt;
        mapViewportOrg = viewportOrg;
        mapViewportExt = viewportExt;
    }

    OleColor at(int x, int y) const { return px_[std::size_t(y) * w_ + x]; }
    int width() const { return w_; }
    int height() const { return h_; }
    int charWidth() const { return static_cast<int>(font.size / 10000 / 2); }
    int lineHeight() const { return static_cast<int>(font.size / 10000 * 4 / 3); }

    FontDesc font;
    OleColor textColor = 0;
    std::vector<TextCall> texts;
    std::vector<PictureCall> pictures;
    std::vector<Size> created;
    int fills = 0;
    int copies = 0;
    bool failCreate = false;
    bool printer = false;
    int colours = -1;
    int ppiX = 96;
    int ppiY = 96;
    bool mapped = false;
    Size mapWindowExt;
    Point mapViewportOrg;
    Size mapViewportExt;

  private:
    int w_;
    int h_;
    std::vector<OleColor> px_;
};

} // namespace zqmarq::testing
