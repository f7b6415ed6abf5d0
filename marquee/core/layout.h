#pragma once
// One layout pass of the markup against a drawing surface.

#include "geometry.h"
#include "marquee_model.h"
#include "surface.h"

namespace zqmarq {

// Offset across the scrolling axis of an item of the given extent inside span: 0 for
// justification 0 and every value but 1 and 2, centred for 1, flush to the far side for 2.
int justificationOffset(std::int32_t justification, int span, int extent);

// Size in pixels of a picture slot: HIMETRIC / 26.5, truncated toward zero.
Size pictureSlotSize(const PictureData& picture);

// Runs the tokenizer over model.text against the reference rectangle r: every token is
// applied and (when draw is set) drawn on s with workingFont selected at the start. Returns
// the content width and height.
Size layoutPass(Surface& s, const MarqueeModel& model, const FontDesc& workingFont, const Rect& r,
                bool draw = true);

} // namespace zqmarq
