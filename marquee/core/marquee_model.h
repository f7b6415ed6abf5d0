#pragma once
// The marquee's properties as one plain value record, shared by the layout code, the widget
// and the component layer (persistence, property table). No Qt here.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zqmarq {

// OLE colour: 0x00BBGGRR, or 0x80000000 | system colour index (see translateColor).
using OleColor = std::uint32_t;

constexpr OleColor rgb(int r, int g, int b) {
    return static_cast<OleColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int redOf(OleColor c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int greenOf(OleColor c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int blueOf(OleColor c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// Values of the three enumerations. Properties hold plain 32-bit values: anything outside
// the named range is legal and behaves as documented per property.
enum class ScrollDirection : std::int32_t {
    RightToLeft = 0,
    LeftToRight = 1,
    TopToBottom = 2,
    BottomToTop = 3
};
enum class TextJustification : std::int32_t { LeftOrTop = 0, Centered = 1, RightOrBottom = 2 };
enum class FrameStyle : std::int32_t {
    None = 0,
    FrameLightIndent = 1,
    FrameHeavyIndent = 2,
    FrameIndent = 3,
    FrameHeavyOutdent = 4,
    FrameShadow = 5
};

// Combo-box entries of the General page, index = value.
inline constexpr std::array<const char*, 4> kDirectionNames = {
    "0 - Right to Left", "1 - Left to Right", "2 - Top to Bottom", "3 - Bottom to Top"};
inline constexpr std::array<const char*, 3> kJustificationNames = {"0 - Left/Top", "1 - Center",
                                                                   "2 - Right/Bottom"};
inline constexpr std::array<const char*, 6> kFrameNames = {"0 - None",          "1 - Light Indent",
                                                           "2 - Heavy Indent",  "3 - Indent Frame",
                                                           "4 - Heavy Outdent", "5 - Shadow"};

// Font description, as a font object persists it.
struct FontDesc {
    std::string faceName = "MS Sans Serif";
    std::int64_t size = 120000; // points x 10000 (a currency value): 12 pt
    std::int16_t weight = 700;
    std::int16_t charset = 0;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    double points() const { return static_cast<double>(size) / 10000.0; }
    bool operator==(const FontDesc&) const = default;

    // Face "MS Sans Serif", 12 pt, weight 700, charset 0, plain: headings and the working
    // font when there is no base font.
    static FontDesc defaultHeading() { return FontDesc{}; }
    // The framework's default font (used when loading finds no stored heading font):
    // MS Sans Serif 12 pt, normal weight, as the stored banner's untouched headings show.
    static FontDesc frameworkDefault() {
        FontDesc f;
        f.weight = 400;
        return f;
    }
};

enum class PictureFormat : std::int32_t {
    Empty = 0,
    Bitmap,
    Jpeg,
    Gif,
    Png,
    Icon,
    Metafile,
    Other
};

// The image a platform layer decoded from a picture's bytes, in the form it draws. Made once
// when the bytes arrive and shared by every copy of the picture, so a re-layout never decodes
// again.
class DecodedImage {
  public:
    virtual ~DecodedImage() = default;
};

// A picture object: its stored image bytes plus what decoding them found (filled in by the Qt
// layer, see marquee/qt/picture_decode.h). An object with no bytes is an "empty picture".
struct PictureData {
    std::vector<std::uint8_t> bytes;
    PictureFormat format = PictureFormat::Empty;
    std::int32_t widthHimetric = 0;
    std::int32_t heightHimetric = 0;
    // Not part of the value: two pictures with the same bytes are equal, decoded or not.
    std::shared_ptr<const DecodedImage> decoded;

    bool isEmpty() const { return format == PictureFormat::Empty || bytes.empty(); }
    // Raster images load as bitmaps (copied with white left out); icons and metafiles
    // render themselves scaled.
    bool isBitmap() const {
        return !isEmpty() && format != PictureFormat::Icon && format != PictureFormat::Metafile;
    }
    // Drawn from decoded pixels: every picture but an empty one and a metafile.
    bool isRaster() const { return !isEmpty() && format != PictureFormat::Metafile; }
    bool operator==(const PictureData& o) const {
        return bytes == o.bytes && format == o.format && widthHimetric == o.widthHimetric &&
               heightHimetric == o.heightHimetric;
    }
};

// How a ticker moves and rests, beyond the control's own properties. Every default keeps the
// control's behaviour as it was; a stored design holds these only when one differs (see
// persist.h).
struct TickerOptions {
    std::int32_t fadeWidth = 0;        // pixels at each end of the scrolling axis faded out
    std::int32_t pauseAtEnds = 0;      // milliseconds the content rests at its home position
    bool scrollOnlyWhenNeeded = false; // content that fits stands still, placed by alignment
    std::int32_t leadingBuffer = 0;    // pixels between the leading edge and the home position
    std::int32_t trailingBuffer = 0;   // pixels travelled past the content's end before a wrap
    std::int32_t pixelsPerSecond = 0;  // > 0: a speed instead of TickIncrement per TickTime
    std::int32_t passDuration = 0;     // > 0: milliseconds per pass, before pixelsPerSecond
    std::int32_t alignment = 0x81;     // along the axis when still: Qt's alignment flags
                                       // (left 0x1, right 0x2, centre 0x4, top 0x20,
                                       // bottom 0x40, vcentre 0x80)
    bool operator==(const TickerOptions&) const = default;
};

inline constexpr int kHeadingCount = 5;
inline constexpr int kPictureCount = 9;

struct MarqueeModel {
    // Stock properties.
    std::string text = "Nimbrel Marquee"; // markup in UTF-8 (the stored form holds Latin-1)
    OleColor foreColor = 0x80000012;      // ambient foreground: system button text
    OleColor backColor = 0xFFFFFF;        // white
    std::optional<FontDesc> font = FontDesc::frameworkDefault(); // no value: no font object

    // Custom properties (defaults as a fresh control has them).
    std::array<FontDesc, kHeadingCount> heading{};                   // Heading1 .. Heading5
    std::array<std::optional<PictureData>, kPictureCount> picture{}; // Picture1 .. Picture9;
                                                                     // no value: no object
    std::int32_t direction = 0;                                      // ScrollDirection
    std::int16_t tickIncrement = 1;                                  // pixels per tick
    std::int32_t frame = 2;                                          // FrameStyle
    std::int16_t tickTime = 100;                                     // milliseconds
    std::int32_t justification = 1;                                  // TextJustification
    bool freezeMarquee = false;
    std::string nextDisplayString; // UTF-8
    bool redraw = true;            // read and written, never acted on
    TickerOptions ticker;

    // Stored extent (HIMETRIC) from the stock block; 0 when unknown.
    std::int32_t extentWidth = 0;
    std::int32_t extentHeight = 0;

    bool operator==(const MarqueeModel&) const = default;
};

// Scrolling axis: y for directions 2 and 3, x for every other value.
constexpr bool isVerticalDirection(std::int32_t direction) {
    return direction == 2 || direction == 3;
}

// System colour indices that the library names (0x80000000 | index in an OLE colour).
inline constexpr int kColorWindow = 5;
inline constexpr int kColorBtnFace = 15;
inline constexpr int kColorBtnShadow = 16;
inline constexpr int kColorBtnText = 18;
inline constexpr int kSystemColorCount = 31;

constexpr OleColor systemColor(int index) {
    return 0x80000000u | static_cast<OleColor>(index);
}

// What the system colour indices stand for: the container's palette (the ambient palette of
// the site) or, where there is none, the platform's. classic() is the old desktop scheme.
struct SystemColors {
    std::array<OleColor, kSystemColorCount> colors{}; // 0x00BBGGRR
    static SystemColors classic();
    bool operator==(const SystemColors&) const = default;
};

// Maps an OLE colour to 0x00BBGGRR, resolving system colour indices through system (an
// unknown index gives black).
OleColor translateColor(OleColor c, const SystemColors& system);

} // namespace zqmarq
