#pragma once
// The marquee's drawing surface on QPainter: either over a painter someone else owns (the
// widget, a printer) or over an image it owns (content, work and scratch surfaces).

#include "design_memory.h"
#include "surface.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPalette>

#include <memory>
#include <optional>

namespace zqmarq {

// A Qt font for a font description: pixel size from points at 96 pixels per inch, as the
// old screen measured them, so layout arithmetic stays in logical pixels.
QFont qtFontOf(const FontDesc& font);
// The same font sized in points, as an embedder set it (for reading a font back).
QFont qtFontInPointsOf(const FontDesc& font);
// The description a Qt font stands for: its point size, or its pixel size at 96 pixels per
// inch. Nothing when its family name cannot be stored (not Latin-1; *reason says why).
std::optional<FontDesc> fontDescOf(const QFont& font, QString* reason = nullptr);
// Whether two Qt fonts draw alike for the marquee: same family, weight, styles and size in
// pixels at 96 pixels per inch (a point size and its pixel size count as the same).
bool showsSameFont(const QFont& a, const QFont& b);
QColor qtColorOf(OleColor color, const SystemColors& system);
// The system colour table a Qt palette gives (its active colours): button face is the
// window background, as dialogs and panels show it.
SystemColors systemColorsOf(const QPalette& palette);

class QtSurface : public Surface {
  public:
    // The width given for a line too wide to measure (2^24 pixels, far past any content
    // image): the layout then finds the content too large instead of trusting a wrapped sum.
    static constexpr int kTooWide = 1 << 24;

    // Over a painter owned by the caller; dpr is the device pixel ratio of the surfaces it
    // makes (the target's).
    explicit QtSurface(QPainter* painter, qreal dpr = 1.0);
    // Over an image of width x height logical pixels at dpr; check isValid().
    QtSurface(int width, int height, qreal dpr);
    ~QtSurface() override;

    bool isValid() const { return painter_ != nullptr; }
    const QImage* image() const { return image_.get(); }

    // Compatible surfaces larger than this many device pixels are refused (the paint then
    // draws straight on the target). Inherited by the surfaces this one makes.
    void setPixelLimit(qint64 devicePixels) { pixelLimit_ = devicePixels; }
    // Device facts that a painter cannot tell: a two-colour device for the frames.
    void setNumColors(int colors) { numColors_ = colors; }

    std::unique_ptr<Surface> createCompatible(int width, int height) override;
    void fillRect(const Rect& r, OleColor color) override;
    bool selectFont(const FontDesc& font) override;
    void setTextColor(OleColor color) override;
    int textWidth(std::string_view run) override;
    int textHeight(std::string_view run) override;
    void drawText(std::string_view run, const Rect& r) override;
    void drawPicture(const PictureData& picture, const Rect& dest, const Rect& bounds) override;
    void fadeEdges(const Rect& inner, int width, bool vertical, OleColor background) override;
    void copyFrom(const Surface& src, int width, int height, Point dest) override;
    bool isRasterPrinter() const override;
    int numColors() const override { return numColors_; }
    int logPixelsX() const override;
    int logPixelsY() const override;
    void setAnisotropicMapping(Size windowExt, Point viewportOrg, Size viewportExt) override;

    // The content image's bound (kMaxContentPixels) holds for every surface by default.
    static constexpr qint64 kDefaultPixelLimit = kMaxContentPixels;

  private:
    std::unique_ptr<QImage> image_;
    std::unique_ptr<QPainter> ownPainter_;
    QPainter* painter_ = nullptr;
    qreal dpr_ = 1.0;
    QFont font_;
    QColor textColor_ = Qt::black;
    qint64 pixelLimit_ = kDefaultPixelLimit;
    int numColors_ = -1;
    bool mapped_ = false;
};

} // namespace zqmarq
