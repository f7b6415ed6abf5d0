#pragma once
// The marquee control object (CTkCtrl): dispatch interface over the property table, events
// to connected sinks, persistence, property pages and the About window, around the
// ZqMarquee widget that scrolls and paints.

#include "module_state.h"
#include "zq_interfaces.h"

#include <QPointer>

#include <map>
#include <memory>

class QObject;
class QWidget;

namespace zqmarq {

class ZqMarquee;

class MarqueeControl final : public IZqControl, private RefCounted, private SetEffectTarget {
  public:
    MarqueeControl();
    ~MarqueeControl() override;

    // IZqUnknown
    HResult queryInterface(const Guid& iid, void** out) override;
    std::uint32_t addRef() override { return addRefImpl(); }
    std::uint32_t release() override { return releaseImpl(); }

    // IZqDispatch
    const TypeInfo& typeInfo() const override;
    HResult getIdOfName(const std::string& name, std::int32_t& dispid) const override;
    HResult invoke(std::int32_t dispid, InvokeKind kind, std::span<const Variant> args,
                   Variant* result) override;

    // IZqControl
    void setClientSite(IZqControlSite* site) override;
    void ambientPropertiesChanged() override;
    QWidget* window(QWidget* parent) override;
    HResult initNew() override;
    HResult loadStream(const std::uint8_t* data, std::size_t size, std::string* error) override;
    HResult saveStream(std::vector<std::uint8_t>& out, std::string* error = nullptr) override;
    HResult loadBag(const PropertyBag& bag, std::string* error) override;
    HResult saveBag(PropertyBag& bag) override;
    bool isDirty() const override { return m_dirty; }
    HResult advise(IZqEventSink* sink, std::uint32_t& cookie) override;
    HResult unadvise(std::uint32_t cookie) override;
    std::vector<Guid> propertyPages() const override;
    HResult showProperties(QWidget* parent) override;
    std::uint32_t miscStatus() const override { return kMiscStatus; }
    std::string userTypeName() const override { return kControlTypeName; }

    // Fires an event to every connected sink (sinks may disconnect while it runs).
    void fireEvent(std::int32_t dispid, std::span<const Variant> args = {});
    // The About window (modeless); kept so tests and a second call find it.
    QWidget* showAbout();

    // The one property record; the window renders it.
    const MarqueeModel& model() const { return m_model; }
    const AmbientProperties& ambients() const { return m_ambients; }

  private:
    // SetEffectTarget: without a window only the site is told; with one the window carries
    // out all effects and reports modified and notify back through its signals.
    void markModified() override;
    void notifyChanged(std::int32_t dispid) override;

    HResult loadedModel(bool ok, const MarqueeModel& loaded);
    MarqueeModel modelToSave() const;
    StockDefaults stockDefaults() const;
    void useAmbientPalette();

    MarqueeModel m_model;
    AmbientProperties m_ambients;
    QPointer<ZqMarquee> m_widget;
    QPointer<QWidget> m_about;
    std::map<std::uint32_t, IZqEventSink*> m_sinks;
    std::uint32_t m_nextCookie = 1;
    IZqControlSite* m_site = nullptr;
    bool m_dirty = false;
};

} // namespace zqmarq
