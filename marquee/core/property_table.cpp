#include "property_table.h"

#include <array>
#include <cctype>

namespace zqmarq {

namespace {

constexpr std::uint32_t kStockOnSet =
    kOnSetRelayout | kOnSetRepaint | kOnSetMarkModified | kOnSetNotify;
constexpr std::uint32_t kPictureOnSet = kOnSetRepaint | kOnSetMarkModified | kOnSetRelayout;
constexpr std::uint32_t kHeadingOnSet = kOnSetMarkModified | kOnSetRelayout;
constexpr const char* kPictureType = "IPictureDisp*";
constexpr const char* kFontType = "IFontDisp*";

#define ZQ_PICTURE(id, n)                                                                          \
    {                                                                                              \
        id, "Picture" #n, PropType::Picture, kPictureType, PropAccess::GetSet, kPictureOnSet, 0,   \
            "Custom picture"                                                                       \
    }
#define ZQ_HEADING(id, n)                                                                          \
    {                                                                                              \
        id, "Heading" #n, PropType::Font, kFontType, PropAccess::GetSet, kHeadingOnSet, 0,         \
            "Custom font"                                                                          \
    }

const std::array<PropertyInfo, 28> kTable = {{
    {1, "Direction", PropType::Int32, "enumMarqueeScrollDirection", PropAccess::Member,
     kOnSetRepaint | kOnSetMarkModified, 0,
     "Returns/sets the scroll direction of the Marquee control"},
    {2, "TickIncrement", PropType::Int16, "short", PropAccess::Member, kOnSetMarkModified, 0,
     "Returns/sets the amount to move the image on each scroll"},
    {3, "Frame", PropType::Int32, "enumMarqueeFrame", PropAccess::Member,
     kOnSetRepaint | kOnSetMarkModified, 0, "Returns/sets the frame style on the Marquee control"},
    {4, "TickTime", PropType::Int16, "short", PropAccess::Member,
     kOnSetRestartTimer | kOnSetMarkModified, 0,
     "Returns/sets the scroll speed of the Marquee control"},
    {5, "NextDisplayString", PropType::String, "BSTR", PropAccess::Member, kOnSetMarkModified, 0,
     "Marquee string to display after the current image has been completely displayed"},
    {6, "Justification", PropType::Int32, "enumMarqueeTextJustification", PropAccess::Member,
     kOnSetMarkModified | kOnSetRelayout, 0,
     "Returns/sets the text and image justification of the Marquee control"},
    {7, "Redraw", PropType::Bool, "boolean", PropAccess::Member, kOnSetMarkModified, 0,
     "Returns/sets if the picture control will redraw itself"},
    ZQ_PICTURE(8, 1),
    ZQ_PICTURE(9, 2),
    ZQ_PICTURE(10, 3),
    ZQ_HEADING(11, 1),
    ZQ_HEADING(12, 2),
    ZQ_HEADING(13, 3),
    ZQ_PICTURE(14, 4),
    ZQ_PICTURE(15, 5),
    ZQ_PICTURE(16, 6),
    ZQ_PICTURE(17, 7),
    ZQ_PICTURE(18, 8),
    ZQ_PICTURE(19, 9),
    ZQ_HEADING(20, 4),
    ZQ_HEADING(21, 5),
    {22, "FreezeMarquee", PropType::Bool, "boolean", PropAccess::GetSet, kOnSetMarkModified, 0,
     "Halt the scrolling action of the Marquee control"},
    {-501, "BackColor", PropType::Color, "OLE_COLOR", PropAccess::Stock, kStockOnSet,
     kFlagBindable | kFlagRequestEdit, "Returns/sets Marquee background color"},
    {-513, "ForeColor", PropType::Color, "OLE_COLOR", PropAccess::Stock, kStockOnSet,
     kFlagBindable | kFlagRequestEdit, "Returns/sets Marquee text fore color"},
    {-517, "Text", PropType::String, "BSTR", PropAccess::Stock, kStockOnSet,
     kFlagBindable | kFlagRequestEdit | kFlagDisplayBind | kFlagDefaultBind,
     "Returns/sets Marquee text"},
    {-512, "Font", PropType::Font, kFontType, PropAccess::Stock, kStockOnSet, kFlagBindable,
     "Returns/sets Marquee font"},
    {-515, "hWnd", PropType::Handle, "OLE_HANDLE", PropAccess::StockReadOnly, 0, 0,
     "Returns picture window handle"},
    {-552, "AboutBox", PropType::Void, "void", PropAccess::Method, 0, 0, "Dispays the about box"},
}};

#undef ZQ_PICTURE
#undef ZQ_HEADING

constexpr std::array<ParamInfo, 4> kMouseParams = {{
    {"Button", PropType::Int16, "short"},
    {"Shift", PropType::Int16, "short"},
    {"x", PropType::Int32, "OLE_XPOS_PIXELS"},
    {"y", PropType::Int32, "OLE_YPOS_PIXELS"},
}};

const std::array<EventInfo, 6> kEvents = {{
    {-600, "Click", {}, "Fired when the Marquee control is clicked"},
    {-601, "DblClick", {}, "Fired when the Marquee control is double clicked"},
    {-605, "MouseDown", kMouseParams,
     "Fired when a mouse button is pressed over the Marquee control"},
    {-606, "MouseMove", kMouseParams,
     "Fired when the mouse cursor is moved over the Marquee control"},
    {-607, "MouseUp", kMouseParams,
     "Fired when a mouse button is released over the Marquee control"},
    {1, "FinishedDisplay", {}, "Fired when the Marquee control has completed displaying its image"},
}};

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Index 0..8 of a picture dispid, or -1.
int pictureIndex(std::int32_t id) {
    if (id >= 8 && id <= 10)
        return id - 8;
    if (id >= 14 && id <= 19)
        return id - 14 + 3;
    return -1;
}

// Index 0..4 of a heading dispid, or -1.
int headingIndex(std::int32_t id) {
    if (id >= 11 && id <= 13)
        return id - 11;
    if (id >= 20 && id <= 21)
        return id - 20 + 3;
    return -1;
}

HResult toPicture(const Variant& v, std::optional<PictureData>& out) {
    if (v.isEmpty()) {
        out.reset();
        return kSOk;
    }
    if (PictureRef p = v.asPicture()) {
        out = *p;
        return kSOk;
    }
    return kDispETypeMismatch;
}

HResult toFont(const Variant& v, std::optional<FontDesc>& out) {
    if (v.isEmpty()) {
        out.reset();
        return kSOk;
    }
    if (FontRef f = v.asFont()) {
        out = *f;
        return kSOk;
    }
    return kDispETypeMismatch;
}

} // namespace

std::uint32_t setEffects(std::int32_t id) {
    const PropertyInfo* info = findProperty(id);
    return info ? info->onSet : 0;
}

std::vector<std::int32_t> changedProperties(const MarqueeModel& a, const MarqueeModel& b) {
    std::vector<std::int32_t> changed;
    for (const PropertyInfo& p : kTable) {
        if (p.isMethod() || p.isReadOnly())
            continue;
        Variant va, vb;
        getProperty(a, p.dispid, va);
        getProperty(b, p.dispid, vb);
        if (!(va == vb))
            changed.push_back(p.dispid);
    }
    return changed;
}

void applySetEffects(std::int32_t id, std::uint32_t effects, SetEffectTarget& target) {
    if (effects & kOnSetRelayout)
        target.requestRelayout();
    if (effects & kOnSetRepaint)
        target.invalidate();
    if (effects & kOnSetRestartTimer)
        target.restartTimer();
    if (effects & kOnSetMarkModified)
        target.markModified();
    if (effects & kOnSetNotify)
        target.notifyChanged(id);
}

std::int32_t pictureDispid(int n) {
    return n <= 3 ? 7 + n : 10 + n;
}
std::int32_t headingDispid(int n) {
    return n <= 3 ? 10 + n : 16 + n;
}

std::span<const PropertyInfo> dispatchTable() {
    return kTable;
}
std::span<const EventInfo> eventTable() {
    return kEvents;
}

const PropertyInfo* findProperty(std::int32_t id) {
    for (const PropertyInfo& p : kTable) {
        if (p.dispid == id)
            return &p;
    }
    return nullptr;
}

const PropertyInfo* findProperty(std::string_view name) {
    for (const PropertyInfo& p : kTable) {
        if (sameName(p.name, name))
            return &p;
    }
    return nullptr;
}

const EventInfo* findEvent(std::int32_t id) {
    for (const EventInfo& e : kEvents) {
        if (e.dispid == id)
            return &e;
    }
    return nullptr;
}

HResult getProperty(const MarqueeModel& m, std::int32_t id, Variant& out) {
    if (const int p = pictureIndex(id); p >= 0) {
        const auto& pic = m.picture[static_cast<std::size_t>(p)];
        out = pic && !pic->isEmpty() ? Variant::picture(*pic) : Variant();
        return kSOk;
    }
    if (const int h = headingIndex(id); h >= 0) {
        out = Variant::font(m.heading[static_cast<std::size_t>(h)]);
        return kSOk;
    }
    switch (id) {
    case dispid::kDirection:
        out = m.direction;
        return kSOk;
    case dispid::kTickIncrement:
        out = m.tickIncrement;
        return kSOk;
    case dispid::kFrame:
        out = m.frame;
        return kSOk;
    case dispid::kTickTime:
        out = m.tickTime;
        return kSOk;
    case dispid::kNextDisplayString:
        out = m.nextDisplayString;
        return kSOk;
    case dispid::kJustification:
        out = m.justification;
        return kSOk;
    case dispid::kRedraw:
        out = m.redraw;
        return kSOk;
    case dispid::kFreezeMarquee:
        out = m.freezeMarquee;
        return kSOk;
    case dispid::kBackColor:
        out = Variant::color(m.backColor);
        return kSOk;
    case dispid::kForeColor:
        out = Variant::color(m.foreColor);
        return kSOk;
    case dispid::kText:
        out = m.text;
        return kSOk;
    case dispid::kFont:
        out = m.font ? Variant::font(*m.font) : Variant();
        return kSOk;
    case dispid::kHWnd:
        out = std::int32_t{0};
        return kSOk;
    default:
        return kDispEMemberNotFound;
    }
}

HResult setProperty(MarqueeModel& m, std::int32_t id, const Variant& value,
                    std::uint32_t* effects) {
    const PropertyInfo* info = findProperty(id);
    if (!info || info->isMethod())
        return kDispEMemberNotFound;
    if (info->isReadOnly())
        return kCtlESetNotSupported;

    HResult hr = kSOk;
    if (const int p = pictureIndex(id); p >= 0) {
        hr = toPicture(value, m.picture[static_cast<std::size_t>(p)]);
    } else if (const int h = headingIndex(id); h >= 0) {
        std::optional<FontDesc> f;
        hr = toFont(value, f);
        if (succeeded(hr))
            m.heading[static_cast<std::size_t>(h)] = f.value_or(FontDesc::defaultHeading());
    } else {
        switch (id) {
        case dispid::kDirection:
            hr = value.toInt32(m.direction);
            break;
        case dispid::kTickIncrement:
            hr = value.toInt16(m.tickIncrement);
            break;
        case dispid::kFrame:
            hr = value.toInt32(m.frame);
            break;
        case dispid::kTickTime:
            hr = value.toInt16(m.tickTime);
            break;
        case dispid::kNextDisplayString:
            hr = value.toString(m.nextDisplayString);
            break;
        case dispid::kJustification:
            hr = value.toInt32(m.justification);
            break;
        case dispid::kRedraw:
            hr = value.toBool(m.redraw);
            break;
        case dispid::kFreezeMarquee:
            hr = value.toBool(m.freezeMarquee);
            break;
        case dispid::kBackColor:
            hr = value.toColor(m.backColor);
            break;
        case dispid::kForeColor:
            hr = value.toColor(m.foreColor);
            break;
        case dispid::kText:
            hr = value.toString(m.text);
            break;
        case dispid::kFont:
            hr = toFont(value, m.font);
            break;
        default:
            return kDispEMemberNotFound;
        }
    }
    if (succeeded(hr) && effects)
        *effects = info->onSet;
    return hr;
}

} // namespace zqmarq
