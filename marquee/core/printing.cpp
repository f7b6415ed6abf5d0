#include "printing.h"

namespace zqmarq {

namespace {

int toLogical(int device, int viewportOrg, int windowExt, int viewportExt) {
    if (viewportExt == 0)
        return 0;
    return static_cast<int>(static_cast<long long>(device - viewportOrg) * windowExt / viewportExt);
}

} // namespace

PrintMapping printMapping(const Rect& bounds, int logPixelsX, int logPixelsY) {
    const int dx = logPixelsX / 100 > 0 ? logPixelsX / 100 : 1;
    const int dy = logPixelsY / 100 > 0 ? logPixelsY / 100 : 1;
    return {{bounds.width() / dx, bounds.height() / dy},
            {bounds.left, bounds.top},
            {bounds.width(), bounds.height()}};
}

Rect deviceToLogical(const Rect& d, const PrintMapping& m) {
    return {toLogical(d.left, m.viewportOrg.x, m.windowExt.cx, m.viewportExt.cx),
            toLogical(d.top, m.viewportOrg.y, m.windowExt.cy, m.viewportExt.cy),
            toLogical(d.right, m.viewportOrg.x, m.windowExt.cx, m.viewportExt.cx),
            toLogical(d.bottom, m.viewportOrg.y, m.windowExt.cy, m.viewportExt.cy)};
}

} // namespace zqmarq
