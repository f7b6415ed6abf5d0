#pragma once
// Saving, loading and resetting a marquee's properties: one exchange routine walks the
// properties in their stored order, and each form (stream, keyed property bag, reset to
// defaults) supplies the exchange. Loading never reads outside the given bytes.

#include "marquee_model.h"
#include "variant.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zqmarq {

inline constexpr std::uint32_t makeDataVersion(int major, int minor) {
    return (static_cast<std::uint32_t>(major) << 16) | static_cast<std::uint32_t>(minor);
}
inline constexpr std::uint32_t kDataVersion = makeDataVersion(1, 2);
inline constexpr std::uint32_t kDataVersion11 = makeDataVersion(1, 1);
inline constexpr std::uint32_t kDataVersion10 = makeDataVersion(1, 0);

// Stock-property mask bits of the stored form.
inline constexpr std::uint32_t kStockBackColor = 0x01;
inline constexpr std::uint32_t kStockCaption = 0x02;
inline constexpr std::uint32_t kStockFont = 0x04;
inline constexpr std::uint32_t kStockForeColor = 0x08;
inline constexpr std::uint32_t kStockText = 0x10;
inline constexpr std::uint32_t kStockMask =
    kStockBackColor | kStockFont | kStockForeColor | kStockText; // 0x1D

// Default of a picture property: no picture.
inline constexpr const char* kDefaultText = "Nimbrel Marquee";
inline constexpr OleColor kDefaultBackColor = 0xFFFFFF;

// What the framework's stock block resets to: Font and ForeColor come from the container's
// ambient font and foreground colour (the control takes them from its site); these are the
// values without a container. BackColor is white when not stored, whatever the container.
struct StockDefaults {
    OleColor foreColor = systemColor(kColorBtnText);
    FontDesc font = FontDesc::frameworkDefault();
};

// Fills in what decoding a picture's bytes finds (format, size). Without one, a picture
// with bytes is kept as format Other with no size.
using PictureDecoder = std::function<PictureData(std::vector<std::uint8_t> bytes)>;

// One property exchange. Save reads the model, Load and Reset write it.
class PropExchange {
  public:
    enum class Mode { Save, Load, Reset };
    virtual ~PropExchange() = default;

    virtual Mode mode() const = 0;
    bool isLoading() const { return mode() != Mode::Save; }
    // Data version of the data being exchanged (the current one when saving or resetting).
    std::uint32_t version() const { return m_version; }

    virtual void exchangeVersion(std::uint32_t current) = 0;
    virtual void exchangeULong(const char* key, std::uint32_t& v, std::uint32_t def) = 0;
    virtual void exchangeLong(const char* key, std::int32_t& v, std::int32_t def) = 0;
    virtual void exchangeShort(const char* key, std::int16_t& v, std::int16_t def) = 0;
    virtual void exchangeColor(const char* key, OleColor& v, OleColor def) = 0;
    virtual void exchangeString(const char* key, std::string& v, const std::string& def) = 0;
    // No value: no font object stored. Reset gives def.
    virtual void exchangeFont(const char* key, std::optional<FontDesc>& v, const FontDesc& def) = 0;
    // No value: no picture object stored. Reset gives no picture.
    virtual void exchangePicture(const char* key, std::optional<PictureData>& v) = 0;

  protected:
    std::uint32_t m_version = kDataVersion;
};

// Walks every persisted property in stored order: version, extent, stock block, the
// control's own values (with the conversions for 1.0 and 1.1 data), then, when loading or
// resetting, clears FreezeMarquee and NextDisplayString. Throws StreamError on bad data.
void doPropExchange(PropExchange& ex, MarqueeModel& model, const StockDefaults& stock = {});

// Stream form: the properties, then the ticker options when one differs from its default.
// A text with a character the stored form cannot hold (past U+00FF) is not stored: the result
// is empty and *error names the character.
std::vector<std::uint8_t> saveToStream(const MarqueeModel& model, std::string* error = nullptr);
// Loads the stream form into model. On failure the model holds the defaults and *error says
// why. With consumed, bytes after the stored properties are allowed and their start is
// reported; without it they are refused. Stock values the data does not hold come from stock.
bool loadFromStream(const std::uint8_t* data, std::size_t size, MarqueeModel& model,
                    std::string* error = nullptr, const PictureDecoder& decode = {},
                    std::size_t* consumed = nullptr, const StockDefaults& stock = {});

// The values a fresh control gets (FreezeMarquee, NextDisplayString cleared; Redraw kept).
void resetToDefaults(MarqueeModel& model, const StockDefaults& stock = {});

// Keyed form: values by the keys of the stored-property table.
class PropertyBag {
  public:
    void write(const std::string& key, Variant value);
    // nullptr when the key is absent.
    const Variant* read(const std::string& key) const;
    const std::vector<std::pair<std::string, Variant>>& entries() const { return m_entries; }

  private:
    std::vector<std::pair<std::string, Variant>> m_entries;
};

void saveToBag(const MarqueeModel& model, PropertyBag& bag);
// Absent keys take their defaults; a value of the wrong type is refused.
bool loadFromBag(const PropertyBag& bag, MarqueeModel& model, std::string* error = nullptr,
                 const PictureDecoder& decode = {}, const StockDefaults& stock = {});

} // namespace zqmarq
