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
    if (isVerticalDirection(model.direction))
        offset.y = position_;
    else
        offset.x = position_;
    if (content_)
        s.copyFrom(*content_, width_, height_,
                   {clampToInt(static_cast<long long>(b.left) + offset.x),
                    clampToInt(static_cast<long long>(b.top) + offset.y)});
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

TickResult MarqueeEngine::tick(MarqueeModel& model, int cx, int cy) {
    TickResult result;
    if (model.freezeMarquee) {
        result.ignored = true;
        return result;
    }
    const long long step = model.tickIncrement;
    long long pos = position_;
    bool wrap = false;
    switch (model.direction) {
    case 0:
        pos -= step;
        if (pos < -static_cast<long long>(width_)) {
            wrap = true;
            pos = cx;
        }
        break;
    case 1:
        pos += step;
        if (pos > cx) {
            wrap = true;
            pos = -static_cast<long long>(width_);
        }
        break;
    case 2:
        pos += step;
        if (pos > cy) {
            wrap = true;
            pos = -static_cast<long long>(height_);
        }
        break;
    case 3:
        pos -= step;
        if (pos < -static_cast<long long>(height_)) {
            wrap = true;
            pos = cy;
        }
        break;
    default:
        break;
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
