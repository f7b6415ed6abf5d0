#pragma once
// Mapping arithmetic of the printing path: the control's pixel layout is scaled onto the
// printer as if the printer had 100 dots per inch per unit of its resolution.

#include "geometry.h"

namespace zqmarq {

struct PrintMapping {
    Size windowExt;    // logical extent
    Point viewportOrg; // device origin (the bounds' top-left)
    Size viewportExt;  // device extent (the bounds' size)
    bool operator==(const PrintMapping&) const = default;
};

// Window extent = bounds size / (pixels per inch / 100), integer divisions. Below 100 pixels
// per inch the divisor would be 0; it is taken as 1 there (one logical unit per dot).
PrintMapping printMapping(const Rect& bounds, int logPixelsX, int logPixelsY);

// Device rectangle to logical units under the mapping (window origin 0, 0).
Rect deviceToLogical(const Rect& device, const PrintMapping& m);

} // namespace zqmarq
