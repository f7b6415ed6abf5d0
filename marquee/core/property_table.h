#pragma once
// The control's dispatch table (properties and method in table order, with their dispatch
// identifiers, types, access and what a set does) and its event table, plus get and set of
// a property on the model by dispatch identifier. A container lists these as type info.

#include "marquee_model.h"
#include "variant.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace zqmarq {

enum class PropType { Int16, Int32, Bool, String, Color, Font, Picture, Handle, Void };
enum class PropAccess { Member, GetSet, Stock, StockReadOnly, Method };

// What setting a property asks of the control, in this order: request re-layout, repaint
// (invalidate the whole control), restart the marquee timer, mark modified, notify (tell the
// site which property changed, as the framework does for its bindable stock properties).
// The table below is the one place these are decided: the control, the widget and the text
// swap at a wrap all carry them out through applySetEffects.
enum OnSet : std::uint32_t {
    kOnSetRelayout = 0x01,
    kOnSetRepaint = 0x02,
    kOnSetRestartTimer = 0x04,
    kOnSetMarkModified = 0x08,
    kOnSetNotify = 0x10,
};

// Attributes a container may show.
enum PropFlag : std::uint32_t {
    kFlagBindable = 0x01,
    kFlagRequestEdit = 0x02,
    kFlagDisplayBind = 0x04,
    kFlagDefaultBind = 0x08,
};

struct PropertyInfo {
    std::int32_t dispid;
    const char* name;
    PropType type;
    const char* typeName; // as the type library spells it
    PropAccess access;
    std::uint32_t onSet;
    std::uint32_t flags;
    const char* helpString;

    bool isMethod() const { return access == PropAccess::Method; }
    bool isReadOnly() const { return access == PropAccess::StockReadOnly; }
};

struct ParamInfo {
    const char* name;
    PropType type;
    const char* typeName;
};

struct EventInfo {
    std::int32_t dispid;
    const char* name;
    std::span<const ParamInfo> params;
    const char* helpString;
};

namespace dispid {
inline constexpr std::int32_t kDirection = 1;
inline constexpr std::int32_t kTickIncrement = 2;
inline constexpr std::int32_t kFrame = 3;
inline constexpr std::int32_t kTickTime = 4;
inline constexpr std::int32_t kNextDisplayString = 5;
inline constexpr std::int32_t kJustification = 6;
inline constexpr std::int32_t kRedraw = 7;
inline constexpr std::int32_t kPicture1 = 8;  // Picture1..3: 8..10
inline constexpr std::int32_t kHeading1 = 11; // Heading1..3: 11..13
inline constexpr std::int32_t kPicture4 = 14; // Picture4..9: 14..19
inline constexpr std::int32_t kHeading4 = 20; // Heading4..5: 20..21
inline constexpr std::int32_t kFreezeMarquee = 22;
inline constexpr std::int32_t kBackColor = -501;
inline constexpr std::int32_t kForeColor = -513;
inline constexpr std::int32_t kText = -517;
inline constexpr std::int32_t kFont = -512;
inline constexpr std::int32_t kHWnd = -515;
inline constexpr std::int32_t kAboutBox = -552;

inline constexpr std::int32_t kClick = -600;
inline constexpr std::int32_t kDblClick = -601;
inline constexpr std::int32_t kMouseDown = -605;
inline constexpr std::int32_t kMouseMove = -606;
inline constexpr std::int32_t kMouseUp = -607;
inline constexpr std::int32_t kFinishedDisplay = 1;
} // namespace dispid

// Dispatch identifier of PictureN (1..9) and HeadingN (1..5).
std::int32_t pictureDispid(int n);
std::int32_t headingDispid(int n);

std::span<const PropertyInfo> dispatchTable();
std::span<const EventInfo> eventTable();
const PropertyInfo* findProperty(std::int32_t dispid);
// Names match without regard to case, as dispatch names do.
const PropertyInfo* findProperty(std::string_view name);
const EventInfo* findEvent(std::int32_t dispid);

// The OnSet bits of a property (0 for an unknown id or the method).
std::uint32_t setEffects(std::int32_t dispid);
// Properties whose values differ between a and b, in table order.
std::vector<std::int32_t> changedProperties(const MarqueeModel& a, const MarqueeModel& b);

// Who carries out a set's effects. A part that has nothing to act on (no window yet, so
// nothing laid out or shown) keeps the default, which does nothing.
class SetEffectTarget {
  public:
    virtual void requestRelayout() {}
    virtual void invalidate() {}
    virtual void restartTimer() {}
    virtual void markModified() {}
    virtual void notifyChanged(std::int32_t dispid) { (void)dispid; }

  protected:
    ~SetEffectTarget() = default;
};

// Carries out effects (OnSet bits) of setting dispid on target, in the order of OnSet.
void applySetEffects(std::int32_t dispid, std::uint32_t effects, SetEffectTarget& target);

// Reads a property of the model. hWnd is the control's own and reads 0 here; AboutBox is a
// method and has no value (kDispEMemberNotFound).
HResult getProperty(const MarqueeModel& model, std::int32_t dispid, Variant& out);
// Sets a property after converting value to its type; on success *effects (if given)
// receives the property's OnSet bits. hWnd is refused with kCtlESetNotSupported.
HResult setProperty(MarqueeModel& model, std::int32_t dispid, const Variant& value,
                    std::uint32_t* effects = nullptr);

} // namespace zqmarq
