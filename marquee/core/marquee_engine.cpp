#include "marquee_engine.h"

#include "frame.h"
#include "layout.h"
#include "printing.h"

#include <algorithm>
#include <limits>

namespace zqmarq {

namespace {

FontDesc workingFontOf(const MarqueeModel& model) {
    return model.font.value_or(FontDesc::defaultHeading());
}

int clampToInt(long long v) {
    return static_cast<int>(
        std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

Point placementOffset(std::int32_t justification, const Rect& inner, Size content) {
    switch (justification) {
    case 1:
        return {clampToInt(static_cast<long long>(inner.width() / 2) - content.cx / 2),
                clampToInt(static_cast<long long>(inner.height() / 2) - content.cy / 2)};
    case 2:
        return {clampToInt(static_cast<long long>(inner.right) - content.cx),
                clampToInt(static_cast<long long>(inner.bottom) - content.cy)};
    default:
        return {0, 0};
    }
}

int homePosition(const MarqueeModel& model) {
    return std::max(0, model.ticker.leadingBuffer);
}

int stillOffset(const MarqueeModel& model, const Rect& inner, Size content) {
    const bool vertical = isVerticalDirection(model.direction);
    const int a = model.ticker.alignment;
    const int start = vertical ? inner.top : inner.left;
    const long long span = vertical ? inner.height() : inner.width();
    const long long extent = vertical ? content.cy : content.cx;
    const bool centre = vertical ? (a & 0x80) != 0 : (a & 0x4) != 0;
    const bool end = vertical ? (a & 0x40) != 0 : (a & 0x2) != 0;
    if (centre)
        return clampToInt(start + (span - extent) / 2);
    if (end)
        return clampToInt(start + span - extent);
    return start;
}

bool MarqueeEngine::scrolls(const MarqueeModel& model, const Rect& b) const {
    if (!model.ticker.scrollOnlyWhenNeeded)
        return true;
    const Rect inner = frameInner(b, model.frame);
    if (isVerticalDirection(model.direction))
        return height_ > inner.height();
    return width_ > inner.width();
}

long long MarqueeEngine::passLength(const MarqueeModel& model, int cx, int cy) const {
    const long long trailing = std::max(0, model.ticker.trailingBuffer);
    if (isVerticalDirection(model.direction))
        return static_cast<long long>(cy) + height_ + trailing;
    return static_cast<long long>(cx) + width_ + trailing;
}

void MarqueeEngine::measurePass(Surface& target, const MarqueeModel& model, const Rect& r) {
    if (model.text.empty())
        return;
    content_.reset();
    std::unique_ptr<Surface> scratch = target.createCompatible(100, 100);
    if (!scratch)
        return;
    scratch->selectFont(workingFontOf(model));
    // The measure pass only needs the metrics: what it would draw is thrown away.
    const Size size = layoutPass(*scratch, model, workingFontOf(model), r, false);
    width_ = size.cx;
    height_ = size.cy;
}

void MarqueeEngine::renderPass(Surface& target, const MarqueeModel& model) {
    relayout_ = false;
    if (model.text.empty())
        return;
    content_.reset();
    tooLarge_ = false;
    if (width_ <= 0 || height_ <= 0)
        return; // nothing to show: background and frame only
    std::unique_ptr<Surface> content = target.createCompatible(width_, height_);
    if (!content) {
        tooLarge_ = true;
        return;
    }
    const Rect r{0, 0, width_, height_};
    content->selectFont(workingFontOf(model));
    content->setTextColor(translateColor(model.foreColor, system_));
    content->fillRect(r, translateColor(model.backColor, system_));
    const Size size = layoutPass(*content, model, workingFontOf(model), r, true);
    width_ = size.cx;
    height_ = size.cy;
    content_ = std::move(content);
}

void MarqueeEngine::innerDraw(Surface& s, const MarqueeModel& model, const Rect& b) {
    if (relayout_) {
        measurePass(s, model, b);
        renderPass(s, model);
    }
    s.fillRect(b, translateColor(model.backColor, system_));
    const Rect inner = frameInner(b, model.frame);
    Point offset = placementOffset(model.justification, inner, {width_, height_});
    const bool moving = scrolls(model, b);
    // Content that stands still is placed like a label's; moving content is where it scrolled.
    const int along = moving ? position_
                             : stillOffset(model, inner.shrunk(-b.left, -b.top, b.left, b.top),
                                           {width_, height_});
    if (isVerticalDirection(model.direction))
        offset.y = along;
    else
        offset.x = along;
    if (content_)
        s.copyFrom(*content_, width_, height_,
                   {clampToInt(static_cast<long long>(b.left) + offset.x),
                    clampToInt(static_cast<long long>(b.top) + offset.y)});
    if (content_ && moving && model.ticker.fadeWidth > 0) {
        s.fadeEdges(inner, model.ticker.fadeWidth, isVerticalDirection(model.direction),
                    translateColor(model.backColor, system_));
    }
    if (tooLarge_) {
        // Say why the banner is empty rather than show an empty box, in a plain font (the
        // content's own may be what made it too large).
        s.selectFont(FontDesc::frameworkDefault());
        s.setTextColor(translateColor(model.foreColor, system_));
        s.drawText(tooLargeNotice(), inner);
    }
    drawFrame(s, b, model.frame, system_);
}

std::string MarqueeEngine::tooLargeNotice() const {
    return "Too large to show: " + std::to_string(width_) + " x " + std::to_string(height_) +
           " pixels";
}

void MarqueeEngine::paint(Surface& target, const MarqueeModel& model, const Rect& b,
                          const Rect& invalid) {
    if (target.isRasterPrinter()) {
        const PrintMapping m = printMapping(b, target.logPixelsX(), target.logPixelsY());
        target.setAnisotropicMapping(m.windowExt, m.viewportOrg, m.viewportExt);
        innerDraw(target, model, deviceToLogical(b, m));
        return;
    }
    if (invalid.isEmpty())
        return;
    const int w = b.width();
    const int h = b.height();
    std::unique_ptr<Surface> work =
        w > 0 && h > 0 ? target.createCompatible(w + 10, h + 10) : nullptr;
    if (!work) {
        innerDraw(target, model, b);
        return;
    }
    innerDraw(*work, model, {0, 0, w, h});
    target.copyFrom(*work, w, h, {b.left, b.top});
}

TickResult MarqueeEngine::tick(MarqueeModel& model, int cx, int cy, std::optional<int> step) {
    TickResult result;
    if (model.freezeMarquee || !scrolls(model, {0, 0, cx, cy})) {
        result.ignored = true;
        return result;
    }
    const long long by = step ? *step : model.tickIncrement;
    const long long trailing = std::max(0, model.ticker.trailingBuffer);
    const long long home = homePosition(model);
    const long long before = position_;
    long long pos = position_;
    bool wrap = false;
    switch (model.direction) {
    case 0:
        pos -= by;
        if (pos < -static_cast<long long>(width_) - trailing) {
            wrap = true;
            pos = cx;
        }
        break;
    case 1:
        pos += by;
        if (pos > cx + trailing) {
            wrap = true;
            pos = -static_cast<long long>(width_);
        }
        break;
    case 2:
        pos += by;
        if (pos > cy + trailing) {
            wrap = true;
            pos = -static_cast<long long>(height_);
        }
        break;
    case 3:
        pos -= by;
        if (pos < -static_cast<long long>(height_) - trailing) {
            wrap = true;
            pos = cy;
        }
        break;
    default:
        break;
    }
    // With a pause at the ends, the content stops on its home position as it comes by.
    const bool forward = model.direction == 1 || model.direction == 2;
    if (model.ticker.pauseAtEnds > 0 && by > 0 && !wrap && before != home &&
        (forward ? before < home && pos >= home : before > home && pos <= home)) {
        pos = home;
        result.arrivedHome = true;
    }
    // A negative increment never wraps; stop at the integer range instead of overflowing.
    position_ = clampToInt(pos);
    result.repaint = true;
    if (wrap) {
        result.wrapped = true;
        if (!model.nextDisplayString.empty()) {
            model.text = std::move(model.nextDisplayString);
            model.nextDisplayString.clear();
            relayout_ = true;
            result.textSwapped = true;
        } else {
            result.finishedDisplay = true;
        }
    }
    return result;
}

} // namespace zqmarq
