#include "image_check.h"

#include <array>
#include <cstring>

namespace zqmarq {

namespace {

using Bytes = const std::uint8_t*;

std::uint32_t be16(Bytes p) {
    return (std::uint32_t(p[0]) << 8) | p[1];
}
std::uint32_t be32(Bytes p) {
    return (be16(p) << 16) | be16(p + 2);
}
std::uint32_t le16(Bytes p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8);
}
std::uint32_t le32(Bytes p) {
    return le16(p) | (le16(p + 2) << 16);
}

// The outcome of one format's check: an image, or why there is none.
struct Verdict {
    std::optional<CheckedImage> image;
    std::string why;
};

Verdict refuse(std::string why) {
    return {std::nullopt, std::move(why)};
}

Verdict accept(PictureFormat format, const char* decoder, std::uint64_t width, std::uint64_t height,
               std::uint64_t maxPixels) {
    if (width == 0 || height == 0)
        return refuse("the image has no pixels");
    if (width * height > maxPixels) {
        return refuse("the image is " + std::to_string(width) + " x " + std::to_string(height) +
                      " pixels, more than the " + std::to_string(maxPixels) + " allowed");
    }
    CheckedImage image;
    image.format = format;
    image.decoderFormat = decoder;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    return {std::move(image), {}};
}

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool isPng(Bytes d, std::size_t n) {
    return n >= kPngSignature.size() && std::memcmp(d, kPngSignature.data(), 8) == 0;
}

// Chunks the pixels are made of; everything else is metadata the marquee never shows.
bool pixelChunk(Bytes type) {
    for (const char* kept : {"IHDR", "PLTE", "tRNS", "IDAT", "IEND"}) {
        if (std::memcmp(type, kept, 4) == 0)
            return true;
    }
    return false;
}

Verdict checkPng(Bytes d, std::size_t n, std::uint64_t maxPixels) {
    std::vector<std::uint8_t> kept(d, d + 8);
    std::size_t at = 8;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool sawData = false;
    for (int index = 0;; ++index) {
        if (n - at < 12)
            return refuse("the PNG ends inside a chunk header at offset " + std::to_string(at));
        const std::uint32_t length = be32(d + at);
        Bytes type = d + at + 4;
        // Each chunk's length lies within the bytes that follow it.
        if (length > n - at - 12) {
            return refuse("the PNG chunk at offset " + std::to_string(at) + " claims " +
                          std::to_string(length) + " bytes, but only " +
                          std::to_string(n - at - 12) + " follow");
        }
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t c = type[i];
            if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
                return refuse("the PNG has a chunk without a name at offset " + std::to_string(at));
        }
        const bool header = std::memcmp(type, "IHDR", 4) == 0;
        if ((index == 0) != header)
            return refuse("the PNG does not start with its header chunk");
        if (header) {
            if (length != 13)
                return refuse("the PNG header chunk has the wrong length");
            width = be32(d + at + 8);
            height = be32(d + at + 12);
            if (width > 0x7FFFFFFF || height > 0x7FFFFFFF)
                return refuse("the PNG header gives an impossible size");
        }
        const bool isEnd = std::memcmp(type, "IEND", 4) == 0;
        sawData = sawData || std::memcmp(type, "IDAT", 4) == 0;
        if (pixelChunk(type)) {
            kept.insert(kept.end(), d + at, d + at + 12 + length);
        } else if (!(type[0] & 0x20)) {
            return refuse("the PNG has a critical chunk this decoder does not know");
        }
        at += 12 + static_cast<std::size_t>(length);
        if (isEnd)
            break;
    }
    if (!sawData)
        return refuse("the PNG holds no image data");
    Verdict v = accept(PictureFormat::Png, "png", width, height, maxPixels);
    if (v.image)
        v.image->decodable = std::move(kept);
    return v;
}

bool isJpeg(Bytes d, std::size_t n) {
    return n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF;
}

bool isStartOfFrame(std::uint8_t m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

Verdict checkJpeg(Bytes d, std::size_t n, std::uint64_t maxPixels) {
    std::size_t at = 2;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int scans = 0;
    while (at < n) {
        if (d[at] != 0xFF)
            return refuse("the JPEG has no marker at offset " + std::to_string(at));
        while (at < n && d[at] == 0xFF)
            ++at; // fill bytes
        if (at >= n)
            break;
        const std::uint8_t marker = d[at++];
        if (marker == 0xD9)
            break; // end of image
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // no length follows
        if (n - at < 2)
            return refuse("the JPEG ends inside a segment length");
        const std::uint32_t length = be16(d + at);
        if (length < 2 || length > n - at) {
            return refuse("the JPEG segment at offset " + std::to_string(at - 2) + " claims " +
                          std::to_string(length) + " bytes, but only " + std::to_string(n - at) +
                          " follow");
        }
        if (isStartOfFrame(marker)) {
            if (length < 8)
                return refuse("the JPEG frame header is too short");
            if (width != 0)
                return refuse("the JPEG has two frame headers");
            height = be16(d + at + 3);
            width = be16(d + at + 5);
            if (width == 0 || height == 0)
                return refuse("the JPEG frame header gives no size");
        }
        at += length;
        if (marker != 0xDA)
            continue;
        if (width == 0)
            return refuse("the JPEG has a scan before its frame header");
        if (++scans > kMaxJpegScans) {
            return refuse("the JPEG has more than " + std::to_string(kMaxJpegScans) + " scans");
        }
        // The scan's coded data runs to the next marker that is not a stuffed byte or a
        // restart marker.
        while (at + 1 < n &&
               !(d[at] == 0xFF && d[at + 1] != 0x00 && !(d[at + 1] >= 0xD0 && d[at + 1] <= 0xD7)))
            ++at;
        if (at + 1 >= n)
            at = n; // cut off in the last scan: decoded as far as it goes
    }
    if (scans == 0)
        return refuse("the JPEG holds no scan");
    return accept(PictureFormat::Jpeg, "jpeg", width, height, maxPixels);
}

bool isGif(Bytes d, std::size_t n) {
    return n >= 6 && (std::memcmp(d, "GIF87a", 6) == 0 || std::memcmp(d, "GIF89a", 6) == 0);
}

// Skips a chain of sub-blocks (length byte, data) up to its terminator; false when it runs
// past the end.
bool skipSubBlocks(Bytes d, std::size_t n, std::size_t& at) {
    while (at < n) {
        const std::size_t length = d[at++];
        if (length == 0)
            return true;
        if (length > n - at)
            return false;
        at += length;
    }
    return false;
}

Verdict checkGif(Bytes d, std::size_t n, std::uint64_t maxPixels) {
    if (n < 13)
        return refuse("the GIF ends inside its header");
    const std::uint32_t width = le16(d + 6);
    const std::uint32_t height = le16(d + 8);
    std::size_t at = 13;
    if (d[10] & 0x80)
        at += 3u * (2u << (d[10] & 7));
    bool sawImage = false;
    while (at < n) {
        const std::uint8_t block = d[at++];
        if (block == 0x3B)
            break; // trailer
        if (block == 0x21) {
            ++at; // label
            if (!skipSubBlocks(d, n, at))
                return refuse("a GIF extension runs past the end of the data");
        } else if (block == 0x2C) {
            if (n - at < 9)
                return refuse("the GIF ends inside an image descriptor");
            const std::uint32_t frameWidth = le16(d + at + 4);
            const std::uint32_t frameHeight = le16(d + at + 6);
            const std::uint8_t flags = d[at + 8];
            at += 9;
            if (std::uint64_t(frameWidth) * frameHeight > maxPixels)
                return refuse("a GIF frame is larger than allowed");
            if (flags & 0x80)
                at += 3u * (2u << (flags & 7));
            ++at; // LZW code size
            if (at > n || !skipSubBlocks(d, n, at))
                return refuse("a GIF image runs past the end of the data");
            sawImage = true;
        } else {
            return refuse("the GIF has an unknown block at offset " + std::to_string(at - 1));
        }
    }
    if (!sawImage)
        return refuse("the GIF holds no image");
    return accept(PictureFormat::Gif, "gif", width, height, maxPixels);
}

bool isBmp(Bytes d, std::size_t n) {
    return n >= 2 && d[0] == 'B' && d[1] == 'M';
}

// A device-independent bitmap header at d (as in a BMP file or an icon); its size.
Verdict checkDib(Bytes d, std::size_t n, bool inIcon, std::uint64_t maxPixels) {
    if (n < 12)
        return refuse("the bitmap ends inside its header");
    const std::uint32_t headerSize = le32(d);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bits = 0;
    if (headerSize == 12) {
        width = le16(d + 4);
        height = le16(d + 6);
        bits = le16(d + 10);
    } else if (headerSize >= 40 && headerSize <= 124) {
        if (n < headerSize)
            return refuse("the bitmap ends inside its header");
        width = static_cast<std::int32_t>(le32(d + 4));
        height = static_cast<std::int32_t>(le32(d + 8));
        bits = le16(d + 14);
    } else {
        return refuse("the bitmap header has an unknown size");
    }
    if (inIcon)
        height /= 2; // an icon's bitmap holds the image and its mask
    if (height < 0)
        height = -height; // stored top-down
    if (width <= 0)
        return refuse("the bitmap has no width");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return refuse("the bitmap has " + std::to_string(bits) + " bits per pixel");
    return accept(PictureFormat::Bitmap, "bmp", static_cast<std::uint64_t>(width),
                  static_cast<std::uint64_t>(height), maxPixels);
}

Verdict checkBmp(Bytes d, std::size_t n, std::uint64_t maxPixels) {
    if (n < 14)
        return refuse("the BMP ends inside its file header");
    const std::uint32_t pixelsAt = le32(d + 10);
    if (pixelsAt >= n)
        return refuse("the BMP's pixels would start past the end of the data");
    return checkDib(d + 14, n - 14, false, maxPixels);
}

bool isIcon(Bytes d, std::size_t n) {
    return n >= 6 && le16(d) == 0 && (le16(d + 2) == 1 || le16(d + 2) == 2) && le16(d + 4) > 0;
}

Verdict checkIcon(Bytes d, std::size_t n, std::uint64_t maxPixels) {
    const bool cursor = le16(d + 2) == 2;
    const std::uint32_t count = le16(d + 4);
    if (count > kMaxIconImages)
        return refuse("the icon lists " + std::to_string(count) + " images");
    if (6 + 16ULL * count > n)
        return refuse("the icon's directory runs past the end of the data");
    Verdict first;
    for (std::uint32_t i = 0; i < count; ++i) {
        Bytes entry = d + 6 + 16 * i;
        const std::uint32_t size = le32(entry + 8);
        const std::uint32_t offset = le32(entry + 12);
        if (offset > n || size > n - offset || size == 0)
            return refuse("icon image " + std::to_string(i + 1) + " lies past the end of the data");
        Verdict v = isPng(d + offset, size) ? checkPng(d + offset, size, maxPixels)
                                            : checkDib(d + offset, size, true, maxPixels);
        if (!v.image)
            return refuse("icon image " + std::to_string(i + 1) + ": " + v.why);
        if (i == 0)
            first = std::move(v);
    }
    CheckedImage image = std::move(*first.image);
    image.format = PictureFormat::Icon;
    image.decoderFormat = cursor ? "cur" : "ico";
    image.decodable.clear(); // the icon decoder reads the file, not one image of it
    return {std::move(image), {}};
}

} // namespace

std::optional<CheckedImage> checkImage(const std::uint8_t* data, std::size_t size,
                                       std::uint64_t maxPixels, std::string* why) {
    Verdict v;
    if (!data || size == 0)
        v = refuse("there are no bytes");
    else if (isPng(data, size))
        v = checkPng(data, size, maxPixels);
    else if (isJpeg(data, size))
        v = checkJpeg(data, size, maxPixels);
    else if (isGif(data, size))
        v = checkGif(data, size, maxPixels);
    else if (isBmp(data, size))
        v = checkBmp(data, size, maxPixels);
    else if (isIcon(data, size))
        v = checkIcon(data, size, maxPixels);
    else
        v = refuse("the bytes are no PNG, JPEG, GIF, BMP or icon");
    if (!v.image && why)
        *why = v.why;
    return std::move(v.image);
}

} // namespace zqmarq
