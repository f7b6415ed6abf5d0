#include "layout.h"

#include "markup.h"

#include <algorithm>
#include <limits>

namespace zqmarq {

namespace {

int clampToInt(long long v) {
    return static_cast<int>(
        std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// A rectangle from 64-bit edges, each held to the int range (content can be very long).
Rect rectOf(long long left, long long top, long long right, long long bottom) {
    return {clampToInt(left), clampToInt(top), clampToInt(right), clampToInt(bottom)};
}

} // namespace

int justificationOffset(std::int32_t justification, int span, int extent) {
    switch (justification) {
    case 1:
        return (span - extent) / 2;
    case 2:
        return span - extent;
    default:
        return 0;
    }
}

Size pictureSlotSize(const PictureData& picture) {
    const double scale = 0.03773584905660377;
    return {static_cast<int>(picture.widthHimetric * scale),
            static_cast<int>(picture.heightHimetric * scale)};
}

Size layoutPass(Surface& s, const MarqueeModel& model, const FontDesc& workingFont, const Rect& r,
                bool draw) {
    const bool vertical = isVerticalDirection(model.direction);
    long long pen = 0;
    long long width = 0;
    long long height = 0;

    std::string_view rest = model.text;
    while (!rest.empty()) {
        const Token token = nextToken(rest, &rest);
        switch (token.kind) {
        case TokenKind::Font:
            s.selectFont(token.index == 0
                             ? workingFont
                             : model.heading[static_cast<std::size_t>(token.index - 1)]);
            break;
        case TokenKind::Color:
            s.setTextColor(colorTokenValue(token.text));
            break;
        case TokenKind::Picture: {
            const auto& slot = model.picture[static_cast<std::size_t>(token.index - 1)];
            if (!slot || slot->isEmpty())
                break; // an empty picture takes no space
            const Size slotSize = pictureSlotSize(*slot);
            const int w = slotSize.cx;
            const int h = slotSize.cy;
            const long long p = pen;
            Rect dest;
            if (!vertical) {
                const int d = justificationOffset(model.justification, r.height(), h);
                dest = rectOf(p, d, p + w, static_cast<long long>(d) + h);
                height = std::max<long long>(height, h);
                width += w;
                pen += w;
            } else {
                const int d = justificationOffset(model.justification, r.width(), w);
                dest = rectOf(d, p, static_cast<long long>(d) + w, p + h);
                width = std::max<long long>(width, w);
                height += h;
                pen += h;
            }
            if (draw)
                s.drawPicture(*slot, dest, r);
            break;
        }
        case TokenKind::TextRun: {
            const int w = s.textWidth(token.text);
            const int h = s.textHeight(token.text);
            const long long p = pen;
            Rect box;
            if (!vertical) {
                const int d = justificationOffset(model.justification, r.height(), h);
                box = rectOf(r.left + p, static_cast<long long>(r.top) + d, r.right, r.bottom);
                height = std::max<long long>(height, h);
                width += w;
                pen += w;
            } else {
                const int d = justificationOffset(model.justification, r.width(), w);
                box = rectOf(static_cast<long long>(r.left) + d, r.top + p, r.right, r.bottom);
                width = std::max<long long>(width, w);
                height += h;
                pen += h;
            }
            if (draw)
                s.drawText(token.text, box);
            break;
        }
        }
    }
    return {clampToInt(width), clampToInt(height)};
}

} // namespace zqmarq
