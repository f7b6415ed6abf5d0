#pragma once
// The binary interfaces between the marquee library and a container: reference-counted
// objects found by interface id, a class factory, the dispatch interface, the embedding
// interface of a control and the event sink a container connects. Both sides are built
// with the same compiler and share Qt, so Qt widgets and standard types may cross.

#include "enums.h"
#include "identifiers.h"
#include "persist.h"
#include "property_table.h"
#include "variant.h"

#include <QPalette>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QWidget;

namespace zqmarq {

namespace ids {
// Interfaces of this port's embedding protocol.
inline constexpr Guid kIZqDispatch =
    makeGuid(0x5A3C1E60, 0x7B2D, 0x4F18, 0x9C, 0x47, 0x2E, 0x8D, 0x6B, 0x1F, 0x0A, 0x35);
inline constexpr Guid kIZqControl =
    makeGuid(0x5A3C1E61, 0x7B2D, 0x4F18, 0x9C, 0x47, 0x2E, 0x8D, 0x6B, 0x1F, 0x0A, 0x35);
inline constexpr Guid kIZqPropertyPage =
    makeGuid(0x5A3C1E62, 0x7B2D, 0x4F18, 0x9C, 0x47, 0x2E, 0x8D, 0x6B, 0x1F, 0x0A, 0x35);
} // namespace ids

class IZqUnknown {
  public:
    virtual HResult queryInterface(const Guid& iid, void** out) = 0;
    virtual std::uint32_t addRef() = 0;
    virtual std::uint32_t release() = 0;

  protected:
    ~IZqUnknown() = default;
};

class IZqClassFactory : public IZqUnknown {
  public:
    virtual HResult createInstance(const Guid& iid, void** out) = 0;
    virtual HResult lockServer(bool lock) = 0;

  protected:
    ~IZqClassFactory() = default;
};

enum class InvokeKind { PropertyGet, PropertyPut, Method };

// What a container can list about the control.
struct TypeInfo {
    Guid typeLib;
    Guid dispatchIid;
    Guid eventsIid;
    std::span<const PropertyInfo> properties;
    std::span<const EventInfo> events;
    std::span<const EnumInfo* const> enums;
};

class IZqDispatch : public IZqUnknown {
  public:
    virtual const TypeInfo& typeInfo() const = 0;
    virtual HResult getIdOfName(const std::string& name, std::int32_t& dispid) const = 0;
    // Get: result receives the value. Put: args holds the one new value. Method: no args.
    virtual HResult invoke(std::int32_t dispid, InvokeKind kind, std::span<const Variant> args,
                           Variant* result) = 0;

  protected:
    ~IZqDispatch() = default;
};

// Receives the control's events (dispatch ids and arguments as in the event table).
class IZqEventSink {
  public:
    virtual void onEvent(std::int32_t dispid, std::span<const Variant> args) = 0;

  protected:
    ~IZqEventSink() = default;
};

// The container's ambient properties. What a container leaves out takes the framework's
// value: MS Sans Serif 12 points, the system button text colour, white, and for the palette
// the platform's.
struct AmbientProperties {
    std::optional<FontDesc> font;      // the stock Font when reset
    std::optional<OleColor> foreColor; // the stock ForeColor when reset
    std::optional<OleColor> backColor; // offered for completeness: BackColor resets to white
    std::optional<QPalette> palette;   // what system colours (0x800000xx) stand for
    bool operator==(const AmbientProperties&) const = default;
};

// What the container offers the control. The container sets the site before it initialises
// or loads the control (the control's misc status asks for the site first), so that the
// ambient properties are there for the reset.
class IZqControlSite {
  public:
    // The control's persistent state changed.
    virtual void onControlModified() = 0;
    // A property whose set notifies changed (the bindable stock properties).
    virtual void onPropertyChanged(std::int32_t dispid) = 0;
    virtual AmbientProperties ambientProperties() const = 0;

  protected:
    ~IZqControlSite() = default;
};

class IZqControl : public IZqDispatch {
  public:
    virtual void setClientSite(IZqControlSite* site) = 0;
    // The site's ambient properties changed: the control reads them again.
    virtual void ambientPropertiesChanged() = 0;
    // The control's window, created on first call as a child of parent; owned by the
    // control (deleted when the last reference goes) unless Qt deletes the parent first.
    virtual QWidget* window(QWidget* parent) = 0;

    virtual HResult initNew() = 0;
    virtual HResult loadStream(const std::uint8_t* data, std::size_t size, std::string* error) = 0;
    // A design the stored form cannot hold (a text past Latin-1) is not written: kEFail, and
    // *error says why.
    virtual HResult saveStream(std::vector<std::uint8_t>& out, std::string* error = nullptr) = 0;
    virtual HResult loadBag(const PropertyBag& bag, std::string* error) = 0;
    virtual HResult saveBag(PropertyBag& bag) = 0;
    virtual bool isDirty() const = 0;

    virtual HResult advise(IZqEventSink* sink, std::uint32_t& cookie) = 0;
    virtual HResult unadvise(std::uint32_t cookie) = 0;

    // Classes of the property pages, in the order of the property frame.
    virtual std::vector<Guid> propertyPages() const = 0;
    // The Properties verb: opens the property frame (modal) over parent.
    virtual HResult showProperties(QWidget* parent) = 0;
    virtual std::uint32_t miscStatus() const = 0;
    virtual std::string userTypeName() const = 0;

  protected:
    ~IZqControl() = default;
};

// A property page object: a widget that edits the controls it is given.
class IZqPropertyPage : public IZqUnknown {
  public:
    virtual std::string caption() const = 0;
    virtual QWidget* createPage(QWidget* parent, IZqDispatch* object) = 0;

  protected:
    ~IZqPropertyPage() = default;
};

// Exported entry points of a component library (C linkage).
using DllRegisterServerFn = HResult (*)();
using DllUnregisterServerFn = HResult (*)();
using DllGetClassObjectFn = HResult (*)(const Guid* clsid, const Guid* iid, void** out);
using DllCanUnloadNowFn = HResult (*)();

} // namespace zqmarq
