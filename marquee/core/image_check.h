#pragma once
// Checks a picture's bytes before any decoder sees them. An image decoder trusts lengths and
// sizes its input states: a PNG chunk that claims a gigabyte makes it allocate one, a JPEG of
// thousands of scans decodes for minutes. Only images whose every length lies within the
// bytes given, whose size is within the design's bound and whose structure is the format's
// are decoded; everything else is kept undecoded.

#include "marquee_model.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zqmarq {

// A JPEG holds at most this many scans (a progressive one has about ten); each scan is a pass
// over the whole image.
inline constexpr int kMaxJpegScans = 100;
// An icon file lists at most this many images.
inline constexpr int kMaxIconImages = 256;

struct CheckedImage {
    PictureFormat format = PictureFormat::Other;
    int width = 0;
    int height = 0;
    // What the decoder is given when it differs from the stored bytes: a PNG keeps only the
    // chunks that make its pixels (text, profiles and other metadata are left out).
    std::vector<std::uint8_t> decodable;
    // The decoder's name for the format ("png", "jpeg", "gif", "bmp", "ico").
    const char* decoderFormat = "";
};

// The image the bytes hold, checked through; nothing when they are no image of a format
// decoded here (PNG, JPEG, GIF, BMP, ICO, CUR), when a length points past the bytes, or when
// the image is larger than maxPixels. *why says what was wrong.
std::optional<CheckedImage> checkImage(const std::uint8_t* data, std::size_t size,
                                       std::uint64_t maxPixels, std::string* why = nullptr);

} // namespace zqmarq
