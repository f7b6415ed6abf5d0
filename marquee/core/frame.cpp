#include "frame.h"

#include <algorithm>

namespace zqmarq {

namespace {

constexpr OleColor kBlack = rgb(0, 0, 0);
constexpr OleColor kWhite = rgb(255, 255, 255);
constexpr OleColor grey(int level) {
    return rgb(level, level, level);
}

// A 1-pixel axis-parallel line from a towards b, b itself left out (as LineTo draws).
void line(Surface& s, Point a, Point b, OleColor color, const Rect& clip) {
    Rect r;
    if (a.y == b.y) {
        if (a.x == b.x)
            return;
        r = a.x < b.x ? Rect{a.x, a.y, b.x, a.y + 1} : Rect{b.x + 1, a.y, a.x + 1, a.y + 1};
    } else {
        r = a.y < b.y ? Rect{a.x, a.y, a.x + 1, b.y} : Rect{a.x, b.y + 1, a.x + 1, a.y + 1};
    }
    r = r.intersected(clip);
    if (!r.isEmpty())
        s.fillRect(r, color);
}

void fillClipped(Surface& s, const Rect& r, OleColor color, const Rect& clip) {
    const Rect c = r.intersected(clip);
    if (!c.isEmpty())
        s.fillRect(c, color);
}

void drawShadowFrame(Surface& s, const Rect& b, const SystemColors& system) {
    const int l = b.left, t = b.top, r = b.right, bo = b.bottom;
    // Black outline through (L, T) and (R - 4, B - 4).
    fillClipped(s, {l, t, r - 3, t + 1}, kBlack, b);
    fillClipped(s, {l, bo - 4, r - 3, bo - 3}, kBlack, b);
    fillClipped(s, {l, t, l + 1, bo - 3}, kBlack, b);
    fillClipped(s, {r - 4, t, r - 3, bo - 3}, kBlack, b);
    // 4-pixel pen centred on (R - 1, T + 4) .. (R - 1, B - 1) .. (L + 4, B - 1).
    const OleColor shadow = translateColor(systemColor(kColorBtnShadow), system);
    fillClipped(s, {r - 3, t + 4, r + 1, bo + 1}, shadow, b);
    fillClipped(s, {l + 4, bo - 3, r + 1, bo + 1}, shadow, b);
}

} // namespace

Insets frameInset(std::int32_t style) {
    switch (style) {
    case 1:
    case 3:
        return {1, 1, 1, 1};
    case 2:
    case 4:
        return {2, 2, 2, 2};
    case 5:
        return {0, 0, 4, 4};
    default:
        return {};
    }
}

Rect frameInner(const Rect& bounds, std::int32_t style) {
    const Insets i = frameInset(style);
    return bounds.shrunk(i.left, i.top, i.right, i.bottom);
}

void drawRing(Surface& s, const Rect& r, OleColor topLeft, OleColor bottomRight) {
    const Rect clip = r;
    const int l = r.left, t = r.top, ri = r.right, b = r.bottom;
    line(s, {l, b - 1}, {l, t}, topLeft, clip);
    line(s, {l, t}, {ri - 1, t}, topLeft, clip);
    line(s, {ri - 1, t}, {ri - 1, b - 1}, bottomRight, clip);
    line(s, {ri - 1, b - 1}, {l, b - 1}, bottomRight, clip);
}

void drawFrame(Surface& s, const Rect& b, std::int32_t style, const SystemColors& system) {
    const Rect inner = b.shrunk(1, 1, 1, 1);
    switch (style) {
    case 1:
        drawRing(s, b, grey(122), grey(212));
        break;
    case 2:
        drawRing(s, b, grey(122), kWhite);
        drawRing(s, inner, kBlack, grey(192));
        break;
    case 3: {
        const bool twoColours = s.numColors() == 2;
        const OleColor shadow =
            twoColours ? kBlack : translateColor(systemColor(kColorBtnShadow), system);
        const OleColor highlight = twoColours ? kBlack : kWhite;
        drawRing(s, b, shadow, highlight);
        drawRing(s, inner, highlight, shadow);
        break;
    }
    case 4:
        drawRing(s, b, kWhite, grey(122));
        drawRing(s, inner, grey(192), kBlack);
        break;
    case 5:
        drawShadowFrame(s, b, system);
        break;
    default:
        break;
    }
}

} // namespace zqmarq
