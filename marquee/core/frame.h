#pragma once
// The six frame styles: insets and rings of 1-pixel lines.

#include "geometry.h"
#include "surface.h"

namespace zqmarq {

struct Insets {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const Insets&) const = default;
};

Insets frameInset(std::int32_t style);
Rect frameInner(const Rect& bounds, std::int32_t style);

// Draws the frame of style on the rectangle b; nothing for style 0 and unknown styles. The
// button shadow of styles 3 and 5 comes from system.
void drawFrame(Surface& s, const Rect& b, std::int32_t style, const SystemColors& system);

// One ring: the top-left polyline (L, B-1) -> (L, T) -> (R-1, T) and the bottom-right one
// (R-1, T) -> (R-1, B-1) -> (L, B-1), each line leaving out its end point.
void drawRing(Surface& s, const Rect& r, OleColor topLeft, OleColor bottomRight);

} // namespace zqmarq
