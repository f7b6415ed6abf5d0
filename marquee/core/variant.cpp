#include "variant.h"

#include <charconv>
#include <limits>

namespace zqmarq {

const char* varTypeName(VarType type) {
    switch (type) {
    case VarType::Empty:
        return "Empty";
    case VarType::Int16:
        return "Integer";
    case VarType::Int32:
        return "Long";
    case VarType::Bool:
        return "Boolean";
    case VarType::String:
        return "String";
    case VarType::Color:
        return "OLE_COLOR";
    case VarType::Font:
        return "Font";
    case VarType::Picture:
        return "Picture";
    }
    return "?";
}

Variant::Variant(FontRef v) {
    if (v)
        m_value = std::move(v);
}

Variant::Variant(PictureRef v) {
    if (v)
        m_value = std::move(v);
}

FontRef Variant::asFont() const {
    const FontRef* f = std::get_if<FontRef>(&m_value);
    return f ? *f : FontRef{};
}

PictureRef Variant::asPicture() const {
    const PictureRef* p = std::get_if<PictureRef>(&m_value);
    return p ? *p : PictureRef{};
}

namespace {
// Widest integer view of a scalar variant; false for strings, objects and nothing.
bool scalarValue(const Variant& v, std::int64_t& out) {
    if (const auto* i = v.asInt16())
        out = *i;
    else if (const auto* l = v.asInt32())
        out = *l;
    else if (const auto* b = v.asBool())
        out = *b ? -1 : 0;
    else if (const auto* c = v.asColor())
        out = c->value;
    else
        return false;
    return true;
}

HResult parseDecimal(const std::string& text, std::int64_t& out) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    while (first < last && (*first == ' ' || *first == '\t'))
        ++first;
    while (last > first && (last[-1] == ' ' || last[-1] == '\t'))
        --last;
    if (first < last && *first == '+')
        ++first;
    auto [ptr, ec] = std::from_chars(first, last, out);
    if (ec == std::errc::result_out_of_range)
        return kDispEOverflow;
    if (ec != std::errc() || ptr != last || first == last)
        return kDispETypeMismatch;
    return kSOk;
}

HResult integerOf(const Variant& v, std::int64_t& out) {
    if (scalarValue(v, out))
        return kSOk;
    if (const auto* s = v.asString())
        return parseDecimal(*s, out);
    return kDispETypeMismatch;
}
} // namespace

HResult Variant::toInt32(std::int32_t& out) const {
    std::int64_t v = 0;
    if (const HResult hr = integerOf(*this, v); !succeeded(hr))
        return hr;
    // A colour is an unsigned 32-bit value: keep its bits.
    if (asColor()) {
        out = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        return kSOk;
    }
    if (v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max())
        return kDispEOverflow;
    out = static_cast<std::int32_t>(v);
    return kSOk;
}

HResult Variant::toInt16(std::int16_t& out) const {
    std::int64_t v = 0;
    if (const HResult hr = integerOf(*this, v); !succeeded(hr))
        return hr;
    if (v < std::numeric_limits<std::int16_t>::min() ||
        v > std::numeric_limits<std::int16_t>::max())
        return kDispEOverflow;
    out = static_cast<std::int16_t>(v);
    return kSOk;
}

HResult Variant::toBool(bool& out) const {
    if (const auto* s = asString()) {
        if (*s == "True" || *s == "TRUE" || *s == "true") {
            out = true;
            return kSOk;
        }
        if (*s == "False" || *s == "FALSE" || *s == "false") {
            out = false;
            return kSOk;
        }
    }
    std::int64_t v = 0;
    if (const HResult hr = integerOf(*this, v); !succeeded(hr))
        return hr;
    out = v != 0;
    return kSOk;
}

HResult Variant::toColor(OleColor& out) const {
    std::int64_t v = 0;
    if (const HResult hr = integerOf(*this, v); !succeeded(hr))
        return hr;
    if (v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::uint32_t>::max())
        return kDispEOverflow;
    out = static_cast<OleColor>(static_cast<std::uint32_t>(v));
    return kSOk;
}

HResult Variant::toString(std::string& out) const {
    if (const auto* s = asString()) {
        out = *s;
        return kSOk;
    }
    if (const auto* b = asBool()) {
        out = *b ? "True" : "False";
        return kSOk;
    }
    std::int64_t v = 0;
    if (!scalarValue(*this, v))
        return kDispETypeMismatch;
    out = std::to_string(v);
    return kSOk;
}

bool Variant::operator==(const Variant& other) const {
    if (type() != other.type())
        return false;
    if (type() == VarType::Font)
        return *asFont() == *other.asFont();
    if (type() == VarType::Picture)
        return *asPicture() == *other.asPicture();
    return m_value == other.m_value;
}

} // namespace zqmarq
