#include "persist.h"

#include "design_memory.h"
#include "persist_stream.h"

#include <cstdio>

namespace zqmarq {

namespace {

constexpr std::uint8_t kObjectPresent = 0x00;
constexpr std::uint8_t kObjectAbsent = 0xFF;
constexpr std::uint8_t kFontStreamVersion = 1;
constexpr std::uint8_t kFontItalic = 0x02;
constexpr std::uint8_t kFontUnderline = 0x04;
constexpr std::uint8_t kFontStrikethrough = 0x08;
constexpr std::uint32_t kPictureTag = 0x0000746C; // "lt" and two zero bytes

constexpr const char* kPictureKeys[kPictureCount] = {"Picture1", "Picture2", "Picture3",
                                                     "Picture4", "Picture5", "Picture6",
                                                     "Picture7", "Picture8", "Picture9"};
constexpr const char* kFontKeys[kHeadingCount] = {"Font1", "Font2", "Font3", "Font4", "Font5"};

// The stored form holds text one byte per character (Latin-1); the model holds UTF-8.
std::string utf8FromLatin1(const std::string& latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (const char c : latin1) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

// Nothing when the text holds a character past U+00FF (or is no UTF-8); *position is then the
// 1-based position of that character.
std::optional<std::string> latin1FromUtf8(const std::string& utf8, std::size_t* position) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t character = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        ++character;
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out += utf8[i];
            continue;
        }
        const bool twoBytes = (b == 0xC2 || b == 0xC3) && i + 1 < utf8.size() &&
                              (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80;
        if (!twoBytes) {
            *position = character;
            return std::nullopt;
        }
        out +=
            static_cast<char>(((b & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
        ++i;
    }
    return out;
}

std::string versionText(std::uint32_t v) {
    return std::to_string(v >> 16) + "." + std::to_string(v & 0xFFFF);
}

PictureData decodeWith(const PictureDecoder& decode, std::vector<std::uint8_t> bytes) {
    if (decode)
        return decode(std::move(bytes));
    PictureData p;
    p.format = bytes.empty() ? PictureFormat::Empty : PictureFormat::Other;
    p.bytes = std::move(bytes);
    return p;
}

class StreamSave : public PropExchange {
  public:
    Mode mode() const override { return Mode::Save; }
    void exchangeVersion(std::uint32_t current) override {
        m_version = current;
        out.u32(current);
    }
    void exchangeULong(const char*, std::uint32_t& v, std::uint32_t) override { out.u32(v); }
    void exchangeLong(const char*, std::int32_t& v, std::int32_t) override { out.i32(v); }
    void exchangeShort(const char*, std::int16_t& v, std::int16_t) override { out.i16(v); }
    void exchangeColor(const char*, OleColor& v, OleColor) override { out.u32(v); }
    void exchangeString(const char* key, std::string& v, const std::string&) override {
        std::size_t position = 0;
        const auto stored = latin1FromUtf8(v, &position);
        if (!stored) {
            throw StreamError("The design cannot be stored: character " + std::to_string(position) +
                              " of " + key +
                              " is not a Latin-1 character, and the stored form holds one "
                              "byte per character");
        }
        out.prefixedString(*stored);
    }
    void exchangeFont(const char*, std::optional<FontDesc>& v, const FontDesc&) override {
        if (!v) {
            out.u8(kObjectAbsent);
            return;
        }
        out.u8(kObjectPresent);
        out.guid(ids::kStdFont);
        out.u8(kFontStreamVersion);
        out.i16(v->charset);
        out.u8(static_cast<std::uint8_t>((v->italic ? kFontItalic : 0) |
                                         (v->underline ? kFontUnderline : 0) |
                                         (v->strikethrough ? kFontStrikethrough : 0)));
        out.i16(v->weight);
        out.u32(static_cast<std::uint32_t>(v->size));
        // The name's length is one byte: longer names are cut (no face name is that long).
        const std::string name = v->faceName.substr(0, 255);
        out.u8(static_cast<std::uint8_t>(name.size()));
        out.bytes(std::vector<std::uint8_t>(name.begin(), name.end()));
    }
    void exchangePicture(const char*, std::optional<PictureData>& v) override {
        if (!v) {
            out.u8(kObjectAbsent);
            return;
        }
        out.u8(kObjectPresent);
        out.guid(ids::kStdPicture);
        out.u32(kPictureTag);
        out.u32(static_cast<std::uint32_t>(v->bytes.size()));
        out.bytes(v->bytes);
    }

    ByteWriter out;
};

class StreamLoad : public PropExchange {
  public:
    StreamLoad(ByteReader& in, const PictureDecoder& decode) : m_in(in), m_decode(decode) {}

    Mode mode() const override { return Mode::Load; }
    void exchangeVersion(std::uint32_t current) override {
        const std::uint32_t v = m_in.u32("the data version");
        if ((v >> 16) != (current >> 16) || v > current) {
            throw StreamError("The stored data has version " + versionText(v) +
                              ", which this control (version " + versionText(current) +
                              ") cannot read");
        }
        m_version = v;
    }
    void exchangeULong(const char* key, std::uint32_t& v, std::uint32_t) override {
        v = m_in.u32(key);
    }
    void exchangeLong(const char* key, std::int32_t& v, std::int32_t) override {
        v = m_in.i32(key);
    }
    void exchangeShort(const char* key, std::int16_t& v, std::int16_t) override {
        v = m_in.i16(key);
    }
    void exchangeColor(const char* key, OleColor& v, OleColor) override { v = m_in.u32(key); }
    void exchangeString(const char* key, std::string& v, const std::string&) override {
        v = utf8FromLatin1(m_in.prefixedString(key));
    }
    void exchangeFont(const char* key, std::optional<FontDesc>& v, const FontDesc&) override {
        if (!objectFollows(key, ids::kStdFont)) {
            v.reset();
            return;
        }
        const std::uint8_t version = m_in.u8(key);
        if (version != kFontStreamVersion) {
            throw StreamError("The font of " + std::string(key) + " has unknown format version " +
                              std::to_string(version));
        }
        FontDesc f;
        f.charset = m_in.i16(key);
        const std::uint8_t attributes = m_in.u8(key);
        f.italic = (attributes & kFontItalic) != 0;
        f.underline = (attributes & kFontUnderline) != 0;
        f.strikethrough = (attributes & kFontStrikethrough) != 0;
        f.weight = m_in.i16(key);
        f.size = m_in.u32(key);
        const std::uint8_t nameLength = m_in.u8(key);
        const std::vector<std::uint8_t> name = m_in.bytes(nameLength, key);
        f.faceName.assign(name.begin(), name.end());
        v = std::move(f);
    }
    void exchangePicture(const char* key, std::optional<PictureData>& v) override {
        if (!objectFollows(key, ids::kStdPicture)) {
            v.reset();
            return;
        }
        if (m_in.u32(key) != kPictureTag)
            throw StreamError("The picture of " + std::string(key) + " lacks its \"lt\" tag");
        const std::uint32_t size = m_in.u32(key);
        v = decodeWith(m_decode, m_in.bytes(size, key));
    }

  private:
    // Reads the presence byte and, when an object follows, checks its class.
    bool objectFollows(const char* key, const Guid& expected) {
        const std::size_t at = m_in.position();
        const std::uint8_t flag = m_in.u8(key);
        if (flag == kObjectAbsent)
            return false;
        if (flag != kObjectPresent) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "0x%02X", flag);
            throw StreamError("The stored data is malformed: " + std::string(key) +
                              " has presence byte " + buf + " at offset " + std::to_string(at));
        }
        const Guid cls = m_in.guid(key);
        if (cls != expected) {
            throw StreamError("The stored data is malformed: " + std::string(key) +
                              " holds an object of unknown class " + cls.toString());
        }
        return true;
    }

    ByteReader& m_in;
    const PictureDecoder& m_decode;
};

class ResetExchange : public PropExchange {
  public:
    Mode mode() const override { return Mode::Reset; }
    void exchangeVersion(std::uint32_t current) override { m_version = current; }
    void exchangeULong(const char*, std::uint32_t& v, std::uint32_t def) override { v = def; }
    void exchangeLong(const char*, std::int32_t& v, std::int32_t def) override { v = def; }
    void exchangeShort(const char*, std::int16_t& v, std::int16_t def) override { v = def; }
    void exchangeColor(const char*, OleColor& v, OleColor def) override { v = def; }
    void exchangeString(const char*, std::string& v, const std::string& def) override { v = def; }
    void exchangeFont(const char*, std::optional<FontDesc>& v, const FontDesc& def) override {
        v = def;
    }
    void exchangePicture(const char*, std::optional<PictureData>& v) override { v.reset(); }
};

class BagSave : public PropExchange {
  public:
    explicit BagSave(PropertyBag& bag) : m_bag(bag) {}
    Mode mode() const override { return Mode::Save; }
    void exchangeVersion(std::uint32_t current) override {
        m_version = current;
        m_bag.write("_Version", static_cast<std::int32_t>(current));
    }
    void exchangeULong(const char* key, std::uint32_t& v, std::uint32_t) override {
        m_bag.write(key, static_cast<std::int32_t>(v));
    }
    void exchangeLong(const char* key, std::int32_t& v, std::int32_t) override {
        m_bag.write(key, v);
    }
    void exchangeShort(const char* key, std::int16_t& v, std::int16_t) override {
        m_bag.write(key, v);
    }
    void exchangeColor(const char* key, OleColor& v, OleColor) override {
        m_bag.write(key, Variant::color(v));
    }
    void exchangeString(const char* key, std::string& v, const std::string&) override {
        m_bag.write(key, v);
    }
    void exchangeFont(const char* key, std::optional<FontDesc>& v, const FontDesc&) override {
        m_bag.write(key, v ? Variant::font(*v) : Variant());
    }
    void exchangePicture(const char* key, std::optional<PictureData>& v) override {
        m_bag.write(key, v ? Variant::picture(*v) : Variant());
    }

  private:
    PropertyBag& m_bag;
};

class BagLoad : public PropExchange {
  public:
    BagLoad(const PropertyBag& bag, const PictureDecoder& decode) : m_bag(bag), m_decode(decode) {}
    Mode mode() const override { return Mode::Load; }
    void exchangeVersion(std::uint32_t current) override {
        std::int32_t v = static_cast<std::int32_t>(current);
        exchangeLong("_Version", v, v);
        const auto version = static_cast<std::uint32_t>(v);
        if ((version >> 16) != (current >> 16) || version > current) {
            throw StreamError("The stored data has version " + versionText(version) +
                              ", which this control (version " + versionText(current) +
                              ") cannot read");
        }
        m_version = version;
    }
    void exchangeULong(const char* key, std::uint32_t& v, std::uint32_t def) override {
        OleColor c = def;
        exchangeColor(key, c, def);
        v = c;
    }
    void exchangeLong(const char* key, std::int32_t& v, std::int32_t def) override {
        v = def;
        if (const Variant* value = m_bag.read(key))
            check(key, value->toInt32(v));
    }
    void exchangeShort(const char* key, std::int16_t& v, std::int16_t def) override {
        v = def;
        if (const Variant* value = m_bag.read(key))
            check(key, value->toInt16(v));
    }
    void exchangeColor(const char* key, OleColor& v, OleColor def) override {
        v = def;
        if (const Variant* value = m_bag.read(key))
            check(key, value->toColor(v));
    }
    void exchangeString(const char* key, std::string& v, const std::string& def) override {
        v = def;
        if (const Variant* value = m_bag.read(key))
            check(key, value->toString(v));
    }
    void exchangeFont(const char* key, std::optional<FontDesc>& v, const FontDesc& def) override {
        const Variant* value = m_bag.read(key);
        if (!value) {
            v = def;
        } else if (value->isEmpty()) {
            v.reset();
        } else if (FontRef f = value->asFont()) {
            v = *f;
        } else {
            check(key, kDispETypeMismatch);
        }
    }
    void exchangePicture(const char* key, std::optional<PictureData>& v) override {
        const Variant* value = m_bag.read(key);
        if (!value || value->isEmpty()) {
            v.reset();
        } else if (PictureRef p = value->asPicture()) {
            v = decodeWith(m_decode, p->bytes);
        } else {
            check(key, kDispETypeMismatch);
        }
    }

  private:
    static void check(const char* key, HResult hr) {
        if (!succeeded(hr))
            throw StreamError("The stored value of " + std::string(key) +
                              " is not usable: " + describeResult(hr));
    }

    const PropertyBag& m_bag;
    const PictureDecoder& m_decode;
};

// Loading stops at the first property that takes the design past its memory bound, before
// anything further is read or decoded.
void checkDesignSize(const PropExchange& ex, const char* key, const MarqueeModel& m) {
    if (ex.mode() != PropExchange::Mode::Load)
        return;
    if (const auto refusal = designRefusal(m, key))
        throw StreamError(*refusal);
}

void exchangeHeading(PropExchange& ex, const char* key, MarqueeModel& m, std::size_t index) {
    std::optional<FontDesc> f = m.heading[index];
    ex.exchangeFont(key, f, FontDesc::frameworkDefault());
    // A heading always holds a font: a stored "no font" gives the framework's default.
    m.heading[index] = f.value_or(FontDesc::frameworkDefault());
    checkDesignSize(ex, key, m);
}

void exchangeStockProps(PropExchange& ex, MarqueeModel& m, const StockDefaults& stock) {
    const MarqueeModel defaults;
    ex.exchangeLong("_ExtentX", m.extentWidth, 0);
    ex.exchangeLong("_ExtentY", m.extentHeight, 0);
    std::uint32_t mask = kStockMask;
    ex.exchangeULong("_StockProps", mask, kStockMask);
    const std::uint32_t known = kStockMask | kStockCaption;
    if (mask & ~known) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%X", mask);
        throw StreamError(std::string("The stored data has an unsupported stock property mask ") +
                          buf);
    }
    if (mask & (kStockText | kStockCaption)) {
        ex.exchangeString("Text", m.text, defaults.text);
        checkDesignSize(ex, "Text", m);
    }
    if (mask & kStockForeColor)
        ex.exchangeColor("ForeColor", m.foreColor, stock.foreColor);
    if (mask & kStockBackColor)
        ex.exchangeColor("BackColor", m.backColor, defaults.backColor);
    if (mask & kStockFont) {
        ex.exchangeFont("Font", m.font, stock.font);
        checkDesignSize(ex, "Font", m);
    }
}

// The ticker options follow the control's properties as an optional block: its tag, a format
// byte, the number of values and each value as 32 bits. A design whose options are all
// defaults has no block and is stored exactly as the control stores it.
constexpr std::uint32_t kTickerTag = 0x4B54515A; // "ZQTK"
constexpr std::uint8_t kTickerFormat = 1;

std::vector<std::int32_t*> tickerValues(TickerOptions& t) {
    return {&t.fadeWidth,       &t.pauseAtEnds,  &t.leadingBuffer, &t.trailingBuffer,
            &t.pixelsPerSecond, &t.passDuration, &t.alignment};
}

void saveTicker(const MarqueeModel& m, ByteWriter& out) {
    if (m.ticker == TickerOptions{})
        return;
    TickerOptions t = m.ticker;
    const std::vector<std::int32_t*> values = tickerValues(t);
    out.u32(kTickerTag);
    out.u8(kTickerFormat);
    out.u8(static_cast<std::uint8_t>(values.size() + 1));
    out.i32(t.scrollOnlyWhenNeeded ? 1 : 0);
    for (const std::int32_t* v : values)
        out.i32(*v);
}

bool tickerFollows(const ByteReader& in, const std::uint8_t* data) {
    if (in.remaining() < 4)
        return false;
    ByteReader peek(data + in.position(), in.remaining());
    return peek.u32("the ticker options") == kTickerTag;
}

void loadTicker(ByteReader& in, MarqueeModel& m) {
    const char* key = "the ticker options";
    in.u32(key);
    if (const std::uint8_t format = in.u8(key); format != kTickerFormat) {
        throw StreamError("The ticker options have unknown format " + std::to_string(format));
    }
    TickerOptions t;
    const std::vector<std::int32_t*> values = tickerValues(t);
    if (in.u8(key) != values.size() + 1)
        throw StreamError("The ticker options hold the wrong number of values");
    t.scrollOnlyWhenNeeded = in.i32(key) != 0;
    for (std::int32_t* v : values)
        *v = in.i32(key);
    m.ticker = t;
}

bool fail(std::string* error, const std::string& message, MarqueeModel& model,
          const StockDefaults& stock) {
    if (error)
        *error = message;
    resetToDefaults(model, stock);
    return false;
}

} // namespace

void doPropExchange(PropExchange& ex, MarqueeModel& m, const StockDefaults& stock) {
    ex.exchangeVersion(kDataVersion);
    exchangeStockProps(ex, m, stock);

    ex.exchangeLong("Direction", m.direction, 0);
    ex.exchangeShort("TickIncrement", m.tickIncrement, 1);
    ex.exchangeLong("Frame", m.frame, 2);
    ex.exchangeShort("TickTime", m.tickTime, 100);
    for (int i = 0; i < kPictureCount; ++i) {
        ex.exchangePicture(kPictureKeys[i], m.picture[static_cast<std::size_t>(i)]);
        checkDesignSize(ex, kPictureKeys[i], m);
    }
    ex.exchangeLong("Justification", m.justification, 1);
    for (std::size_t i = 0; i < 3; ++i)
        exchangeHeading(ex, kFontKeys[i], m, i);
    if (ex.version() >= kDataVersion11) {
        exchangeHeading(ex, kFontKeys[3], m, 3);
        exchangeHeading(ex, kFontKeys[4], m, 4);
    } else if (ex.isLoading()) {
        // 1.0 data had three headings only.
        m.heading[3] = FontDesc::frameworkDefault();
        m.heading[4] = FontDesc::frameworkDefault();
    }
    // Before 1.2 the back colour and text lived in the stock block only.
    if (ex.version() >= kDataVersion) {
        ex.exchangeColor("BackColor", m.backColor, kDefaultBackColor);
        ex.exchangeString("Text", m.text, kDefaultText);
        checkDesignSize(ex, "Text", m);
    }

    if (ex.isLoading()) {
        m.freezeMarquee = false;
        m.nextDisplayString.clear();
        m.ticker = {}; // the stream form reads its own after the properties
    }
}

std::vector<std::uint8_t> saveToStream(const MarqueeModel& model, std::string* error) {
    StreamSave ex;
    MarqueeModel copy = model;
    try {
        doPropExchange(ex, copy);
    } catch (const StreamError& e) {
        if (error)
            *error = e.what();
        return {};
    }
    saveTicker(model, ex.out);
    return ex.out.take();
}

bool loadFromStream(const std::uint8_t* data, std::size_t size, MarqueeModel& model,
                    std::string* error, const PictureDecoder& decode, std::size_t* consumed,
                    const StockDefaults& stock) {
    if (!data && size > 0)
        return fail(error, "No stored data was given", model, stock);
    static const std::uint8_t kNothing = 0;
    ByteReader in(data ? data : &kNothing, data ? size : 0);
    MarqueeModel loaded = model;
    resetToDefaults(loaded, stock);
    try {
        StreamLoad ex(in, decode);
        doPropExchange(ex, loaded, stock);
        if (tickerFollows(in, data))
            loadTicker(in, loaded);
    } catch (const StreamError& e) {
        return fail(error, e.what(), model, stock);
    } catch (const std::bad_alloc&) {
        return fail(error, "The stored data is too large to load", model, stock);
    }
    if (consumed) {
        *consumed = in.position();
    } else if (in.remaining() > 0) {
        return fail(error,
                    "The stored data is malformed: " + std::to_string(in.remaining()) +
                        " unexpected bytes follow the properties at offset " +
                        std::to_string(in.position()),
                    model, stock);
    }
    model = std::move(loaded);
    return true;
}

void resetToDefaults(MarqueeModel& model, const StockDefaults& stock) {
    ResetExchange ex;
    doPropExchange(ex, model, stock);
}

void PropertyBag::write(const std::string& key, Variant value) {
    for (auto& entry : m_entries) {
        if (entry.first == key) {
            entry.second = std::move(value);
            return;
        }
    }
    m_entries.emplace_back(key, std::move(value));
}

const Variant* PropertyBag::read(const std::string& key) const {
    for (const auto& entry : m_entries) {
        if (entry.first == key)
            return &entry.second;
    }
    return nullptr;
}

void saveToBag(const MarqueeModel& model, PropertyBag& bag) {
    BagSave ex(bag);
    MarqueeModel copy = model;
    doPropExchange(ex, copy);
}

bool loadFromBag(const PropertyBag& bag, MarqueeModel& model, std::string* error,
                 const PictureDecoder& decode, const StockDefaults& stock) {
    MarqueeModel loaded = model;
    resetToDefaults(loaded, stock);
    try {
        BagLoad ex(bag, decode);
        doPropExchange(ex, loaded, stock);
    } catch (const StreamError& e) {
        return fail(error, e.what(), model, stock);
    }
    model = std::move(loaded);
    return true;
}

} // namespace zqmarq
