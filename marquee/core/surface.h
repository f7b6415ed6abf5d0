#pragma once
// The drawing operations the marquee needs of a platform. One implementation paints with
// QPainter on QImage (marquee/qt); tests use a pixel grid.

#include "geometry.h"
#include "marquee_model.h"

#include <memory>
#include <string_view>

namespace zqmarq {

class Surface {
  public:
    virtual ~Surface() = default;

    // A memory surface of width x height pixels compatible with this one, or nullptr when it
    // cannot be made.
    virtual std::unique_ptr<Surface> createCompatible(int width, int height) = 0;

    // Fills r with a plain colour (0x00BBGGRR, already translated).
    virtual void fillRect(const Rect& r, OleColor color) = 0;

    // Selects a font for the following text calls; false when no font can be made from it
    // (the current font stays).
    virtual bool selectFont(const FontDesc& font) = 0;
    virtual void setTextColor(OleColor color) = 0;

    // Width of the whole run in the current font, measured as one line.
    virtual int textWidth(std::string_view run) = 0;
    // Height of the run as the text formatter lays it out: one line per line break, no wrap.
    virtual int textHeight(std::string_view run) = 0;
    // Draws the run top-left aligned in r, line breaks honoured, clipped to r, with a
    // transparent background.
    virtual void drawText(std::string_view run, const Rect& r) = 0;

    // Draws a non-empty picture into dest: a bitmap at its own pixel size clipped to dest with
    // pure white left out, any other picture scaled into dest (bounds is the reference
    // rectangle of the pass).
    virtual void drawPicture(const PictureData& picture, const Rect& dest, const Rect& bounds) = 0;

    // Fades what lies within width pixels of both ends of inner along one axis (x, or y when
    // vertical) into background, fully at the edge. A surface that cannot blend draws nothing.
    virtual void fadeEdges(const Rect& inner, int width, bool vertical, OleColor background) {
        (void)inner;
        (void)width;
        (void)vertical;
        (void)background;
    }

    // Copies width x height pixels from the top-left of src to dest on this surface.
    virtual void copyFrom(const Surface& src, int width, int height, Point dest) = 0;

    // Device facts.
    virtual bool isRasterPrinter() const { return false; }
    virtual int numColors() const { return -1; } // -1: more than 256
    virtual int logPixelsX() const { return 96; }
    virtual int logPixelsY() const { return 96; }

    // Printing: from now on logical (window) coordinates map onto device (viewport) ones.
    virtual void setAnisotropicMapping(Size windowExt, Point viewportOrg, Size viewportExt) {
        (void)windowExt;
        (void)viewportOrg;
        (void)viewportExt;
    }
};

} // namespace zqmarq
