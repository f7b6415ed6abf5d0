#pragma once
// The small variant that crosses the dispatch interface: nothing, 16- and 32-bit integers,
// Boolean, string, colour, and font and picture objects held by reference.

#include "identifiers.h"
#include "marquee_model.h"

#include <memory>
#include <string>
#include <variant>

namespace zqmarq {

enum class VarType { Empty, Int16, Int32, Bool, String, Color, Font, Picture };

const char* varTypeName(VarType type);

struct ColorValue {
    OleColor value = 0;
    bool operator==(const ColorValue&) const = default;
};

using FontRef = std::shared_ptr<const FontDesc>;
using PictureRef = std::shared_ptr<const PictureData>;

class Variant {
  public:
    Variant() = default;
    Variant(std::int16_t v) : m_value(v) {}
    Variant(std::int32_t v) : m_value(v) {}
    Variant(bool v) : m_value(v) {}
    Variant(std::string v) : m_value(std::move(v)) {}
    Variant(const char* v) : m_value(std::string(v)) {}
    Variant(ColorValue v) : m_value(v) {}
    Variant(FontRef v);
    Variant(PictureRef v);

    static Variant color(OleColor c) { return Variant(ColorValue{c}); }
    static Variant font(const FontDesc& f) { return Variant(std::make_shared<const FontDesc>(f)); }
    static Variant picture(const PictureData& p) {
        return Variant(std::make_shared<const PictureData>(p));
    }

    VarType type() const { return static_cast<VarType>(m_value.index()); }
    bool isEmpty() const { return type() == VarType::Empty; }

    // Exact reads: the value when the variant holds that type.
    const std::int16_t* asInt16() const { return std::get_if<std::int16_t>(&m_value); }
    const std::int32_t* asInt32() const { return std::get_if<std::int32_t>(&m_value); }
    const bool* asBool() const { return std::get_if<bool>(&m_value); }
    const std::string* asString() const { return std::get_if<std::string>(&m_value); }
    const ColorValue* asColor() const { return std::get_if<ColorValue>(&m_value); }
    FontRef asFont() const;
    PictureRef asPicture() const;

    // Conversions a dispatch call applies to an argument: numbers, Booleans (TRUE is -1),
    // colours and decimal strings convert into each other; objects only into themselves.
    // Fails with kDispETypeMismatch or kDispEOverflow.
    HResult toInt32(std::int32_t& out) const;
    HResult toInt16(std::int16_t& out) const;
    HResult toBool(bool& out) const;
    HResult toColor(OleColor& out) const;
    HResult toString(std::string& out) const;

    // Value equality; objects compare by their contents.
    bool operator==(const Variant& other) const;

  private:
    std::variant<std::monostate, std::int16_t, std::int32_t, bool, std::string, ColorValue, FontRef,
                 PictureRef>
        m_value;
};

} // namespace zqmarq
