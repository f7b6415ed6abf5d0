#pragma once
// The marquee's run-time state and its operations: the two layout passes, painting with the
// double buffer, the inner draw and the scroll state machine.

#include "geometry.h"
#include "marquee_model.h"
#include "surface.h"

#include <memory>
#include <optional>
#include <string>

namespace zqmarq {

// Where the content goes inside the frame before the scrolling axis is replaced by the scroll
// position: centred for 1, flush right/bottom for 2, (0, 0) otherwise.
Point placementOffset(std::int32_t justification, const Rect& inner, Size content);

// The content's home: where it starts and rests (leadingBuffer in from its starting edge).
int homePosition(const MarqueeModel& model);
// Where still content goes along the scrolling axis inside inner, by the ticker's alignment.
int stillOffset(const MarqueeModel& model, const Rect& inner, Size content);

struct TickResult {
    bool ignored = false;         // frozen: nothing happened
    bool repaint = false;         // the control must be painted again
    bool wrapped = false;         // the content left the control and re-enters
    bool textSwapped = false;     // NextDisplayString became Text
    bool finishedDisplay = false; // FinishedDisplay is to be fired
    bool arrivedHome = false;     // the content reached its home position (a pause may follow)
};

class MarqueeEngine {
  public:
    // Full paint onto target with bounds b; nothing when invalid is empty. Composes in a work
    // surface of (w + 10) x (h + 10) and copies w x h to the target, or draws straight on the
    // target when no work surface can be made. Raster printers take the printing path.
    void paint(Surface& target, const MarqueeModel& model, const Rect& b, const Rect& invalid);

    // Background, content at its placement, frame; lays the content out first when needed.
    void innerDraw(Surface& s, const MarqueeModel& model, const Rect& b);

    // The two passes of a re-layout (target gives compatible surfaces).
    void measurePass(Surface& target, const MarqueeModel& model, const Rect& r);
    void renderPass(Surface& target, const MarqueeModel& model);

    // One timer tick for a control of cx x cy pixels, moving by step pixels (TickIncrement
    // when not given). May change model.text and model.nextDisplayString (the swap at a wrap).
    // Content that stands still (see scrolls) does not move and fires nothing. With a pause at
    // the ends, a step that would pass the home position stops on it.
    TickResult tick(MarqueeModel& model, int cx, int cy, std::optional<int> step = {});

    // Whether the content moves in a control with bounds b: always, unless the ticker scrolls
    // only when needed and the laid-out content fits inside the frame along the axis.
    bool scrolls(const MarqueeModel& model, const Rect& b) const;
    // Pixels from the content entering to its wrap: the control's span along the axis, the
    // content and the trailing buffer.
    long long passLength(const MarqueeModel& model, int cx, int cy) const;

    // What system colours in ForeColor, BackColor and the frames stand for. The content keeps
    // the colours of its last pass: a change needs a re-layout.
    void setSystemColors(const SystemColors& colors) { system_ = colors; }
    const SystemColors& systemColors() const { return system_; }

    void requestRelayout() { relayout_ = true; }
    bool relayoutPending() const { return relayout_; }

    // The last render pass laid out content too large for a content image (more than the
    // target's surfaces may hold): the inner draw shows tooLargeNotice() instead of it.
    bool contentTooLarge() const { return tooLarge_; }
    std::string tooLargeNotice() const;

    int scrollPosition() const { return position_; }
    void setScrollPosition(int position) { position_ = position; }
    Size contentSize() const { return {width_, height_}; }
    const Surface* contentSurface() const { return content_.get(); }
    // Releases the content surface (with the control, or when the platform goes away).
    void releaseContent() { content_.reset(); }

  private:
    SystemColors system_ = SystemColors::classic();
    std::unique_ptr<Surface> content_;
    int position_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool relayout_ = true;
    bool tooLarge_ = false;
};

} // namespace zqmarq
