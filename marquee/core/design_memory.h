#pragma once
// What a design may make the control hold. A design is small on disk but can ask for much
// more: a picture of a few kilobytes may decode to hundreds of megabytes, a long text lays out
// into a very wide content image. Loading and setting are held to one bound on the design;
// drawing is held to a second one on the content image.

#include "marquee_model.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace zqmarq {

// A design holds at most this many bytes: its strings, font names and stored picture bytes,
// plus 4 bytes for every pixel of its decoded pictures. Loading refuses data past it, naming
// the property that crossed it; a set past it is refused.
inline constexpr std::uint64_t kMaxDesignBytes = 32ULL * 1024 * 1024;
// The content image a design lays out into holds at most this many device pixels (4 bytes
// each); content past it is not drawn and the control says so instead.
inline constexpr std::int64_t kMaxContentPixels = 8LL * 1024 * 1024;

// Text and NextDisplayString hold at most this many characters each. Every character is
// measured and drawn at each re-layout: a megabyte of text stalls the window for seconds,
// and a line that long is far past what a content image may hold.
inline constexpr std::size_t kMaxTextLength = 65536;

// A pixel extent in HIMETRIC as the picture object reports it at 96 pixels per inch, and back
// (exactly: every pixel count survives the round trip); negative extents give 0 pixels.
std::int32_t pixelsToHimetric(int pixels);
int himetricToPixels(std::int32_t himetric);

// Bytes a picture costs once loaded: its stored bytes, and for a raster picture 4 bytes per
// pixel of its decoded image.
std::uint64_t pictureMemory(const PictureData& picture);
// Bytes the whole design costs (see kMaxDesignBytes).
std::uint64_t designMemory(const MarqueeModel& model);
// Why a design past the bound is refused, naming the property that crossed it.
std::string designTooLargeMessage(const char* property, std::uint64_t bytes);
// Characters of a stored text (one byte each in the stored form, UTF-8 in the model).
std::size_t textLength(const std::string& text);
// Why a design is refused when property made it too large (its memory or a text past its
// bound); nothing when it is within both bounds.
std::optional<std::string> designRefusal(const MarqueeModel& model, const char* property);

} // namespace zqmarq
