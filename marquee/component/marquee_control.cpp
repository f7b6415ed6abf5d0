#include "marquee_control.h"

#include "about_dialog.h"
#include "design_memory.h"
#include "picture_decode.h"
#include "property_frame.h"
#include "qt_surface.h"
#include "zq_marquee_p.h"

#include <QWidget>

namespace zqmarq {

namespace {

const TypeInfo kTypeInfo{ids::kTypeLib,   ids::kDispatch, ids::kEvents,
                         dispatchTable(), eventTable(),   typeLibEnums()};

// A widget's inner side, the record and run-time state the control works with.
ZqMarqueePrivate& inner(ZqMarquee* widget) {
    return ZqMarqueePrivate::get(*widget);
}

} // namespace

MarqueeControl::MarqueeControl() {
    resetToDefaults(m_model);
}

MarqueeControl::~MarqueeControl() {
    delete m_about.data();
    delete m_widget.data();
}

HResult MarqueeControl::queryInterface(const Guid& iid, void** out) {
    if (!out)
        return kEPointer;
    if (iid == ids::kIUnknown || iid == ids::kIZqControl || iid == ids::kIZqDispatch ||
        iid == ids::kIDispatch || iid == ids::kDispatch) {
        *out = static_cast<IZqControl*>(this);
        addRef();
        return kSOk;
    }
    *out = nullptr;
    return kENoInterface;
}

const TypeInfo& MarqueeControl::typeInfo() const {
    return kTypeInfo;
}

HResult MarqueeControl::getIdOfName(const std::string& name, std::int32_t& id) const {
    const PropertyInfo* info = findProperty(name);
    if (!info)
        return kDispEUnknownName;
    id = info->dispid;
    return kSOk;
}

HResult MarqueeControl::invoke(std::int32_t id, InvokeKind kind, std::span<const Variant> args,
                               Variant* result) {
    const PropertyInfo* info = findProperty(id);
    if (!info)
        return kDispEMemberNotFound;
    if (info->isMethod()) {
        if (kind != InvokeKind::Method)
            return kDispEMemberNotFound;
        if (!args.empty())
            return kDispEBadParamCount;
        showAbout();
        if (result)
            *result = Variant();
        return kSOk;
    }
    switch (kind) {
    case InvokeKind::PropertyGet: {
        if (!args.empty())
            return kDispEBadParamCount;
        if (!result)
            return kEPointer;
        if (id == dispid::kHWnd) {
            *result =
                std::int32_t(m_widget ? static_cast<std::int32_t>(m_widget->internalWinId()) : 0);
            return kSOk;
        }
        return getProperty(model(), id, *result);
    }
    case InvokeKind::PropertyPut: {
        if (info->isReadOnly())
            return kCtlESetNotSupported;
        if (args.size() != 1)
            return kDispEBadParamCount;
        MarqueeModel changed = m_model; // a refused value leaves the record as it was
        std::uint32_t effects = 0;
        const HResult hr = setProperty(changed, id, args[0], &effects);
        if (!succeeded(hr))
            return hr;
        // A picture set by a caller carries bytes: decode them as loading would.
        for (int n = 1; n <= kPictureCount; ++n) {
            auto& p = changed.picture[static_cast<std::size_t>(n - 1)];
            if (pictureDispid(n) == id && p && !p->bytes.empty() &&
                p->format == PictureFormat::Empty)
                p = pictureFromStoredBytes(p->bytes);
        }
        // What a container sets is held to the same bound as what it loads.
        if (designRefusal(changed, "the value"))
            return kCtlEInvalidPropertyValue;
        m_model = std::move(changed);
        if (m_widget)
            inner(m_widget).applySetEffects(id, effects);
        else
            applySetEffects(id, effects, *this);
        return kSOk;
    }
    case InvokeKind::Method:
        return kDispEMemberNotFound;
    }
    return kDispEMemberNotFound;
}

void MarqueeControl::markModified() {
    m_dirty = true;
    if (m_site)
        m_site->onControlModified();
}

void MarqueeControl::notifyChanged(std::int32_t id) {
    if (m_site)
        m_site->onPropertyChanged(id);
}

void MarqueeControl::setClientSite(IZqControlSite* site) {
    m_site = site;
    ambientPropertiesChanged();
}

void MarqueeControl::ambientPropertiesChanged() {
    m_ambients = m_site ? m_site->ambientProperties() : AmbientProperties{};
    useAmbientPalette();
}

void MarqueeControl::useAmbientPalette() {
    if (!m_widget)
        return;
    inner(m_widget).setSystemColors(
        m_ambients.palette ? std::optional(systemColorsOf(*m_ambients.palette)) : std::nullopt);
}

// The stock block resets Font and ForeColor to the container's ambient ones.
StockDefaults MarqueeControl::stockDefaults() const {
    StockDefaults d;
    if (m_ambients.foreColor)
        d.foreColor = *m_ambients.foreColor;
    if (m_ambients.font)
        d.font = *m_ambients.font;
    return d;
}

QWidget* MarqueeControl::window(QWidget* parent) {
    if (m_widget)
        return m_widget;
    ZqMarquee* w = ZqMarqueePrivate::create(&m_model, parent);
    if (m_model.extentWidth > 0 && m_model.extentHeight > 0)
        w->resize(himetricToPixels(m_model.extentWidth), himetricToPixels(m_model.extentHeight));
    m_widget = w;
    useAmbientPalette();
    // Changes the window makes itself (Text at the swap) reach the site as any set does.
    QObject::connect(&inner(w), &ZqMarqueePrivate::modified, w, [this] { markModified(); });
    QObject::connect(&inner(w), &ZqMarqueePrivate::propertyChanged, w,
                     [this](int id) { notifyChanged(id); });
    QObject::connect(w, &ZqMarquee::finishedDisplay, w,
                     [this] { fireEvent(dispid::kFinishedDisplay); });
    QObject::connect(w, &ZqMarquee::click, w, [this] { fireEvent(dispid::kClick); });
    QObject::connect(w, &ZqMarquee::dblClick, w, [this] { fireEvent(dispid::kDblClick); });
    auto mouse = [this](std::int32_t id) {
        return [this, id](short button, short shift, int x, int y) {
            const Variant args[] = {Variant(std::int16_t(button)), Variant(std::int16_t(shift)),
                                    Variant(std::int32_t(x)), Variant(std::int32_t(y))};
            fireEvent(id, args);
        };
    };
    QObject::connect(w, &ZqMarquee::mouseDown, w, mouse(dispid::kMouseDown));
    QObject::connect(w, &ZqMarquee::mouseMove, w, mouse(dispid::kMouseMove));
    QObject::connect(w, &ZqMarquee::mouseUp, w, mouse(dispid::kMouseUp));
    return w;
}

// The extent saved with the properties is the window's current size.
MarqueeModel MarqueeControl::modelToSave() const {
    MarqueeModel m = m_model;
    if (m_widget && !m_widget->size().isEmpty()) {
        m.extentWidth = pixelsToHimetric(m_widget->width());
        m.extentHeight = pixelsToHimetric(m_widget->height());
    }
    return m;
}

HResult MarqueeControl::loadedModel(bool ok, const MarqueeModel& loaded) {
    if (m_widget) {
        inner(m_widget).loadModel(loaded); // into m_model; also restarts scrolling from position 0
        if (loaded.extentWidth > 0 && loaded.extentHeight > 0)
            m_widget->resize(himetricToPixels(loaded.extentWidth),
                             himetricToPixels(loaded.extentHeight));
    } else {
        m_model = loaded;
    }
    m_dirty = false;
    return ok ? kSOk : kEFail;
}

HResult MarqueeControl::initNew() {
    MarqueeModel m = m_model;
    resetToDefaults(m, stockDefaults());
    return loadedModel(true, m);
}

HResult MarqueeControl::loadStream(const std::uint8_t* data, std::size_t size, std::string* error) {
    MarqueeModel m = m_model;
    const bool ok =
        loadFromStream(data, size, m, error, &pictureFromStoredBytes, nullptr, stockDefaults());
    return loadedModel(ok, m);
}

HResult MarqueeControl::saveStream(std::vector<std::uint8_t>& out, std::string* error) {
    out = saveToStream(modelToSave(), error);
    if (out.empty())
        return kEFail;
    m_dirty = false;
    return kSOk;
}

HResult MarqueeControl::loadBag(const PropertyBag& bag, std::string* error) {
    MarqueeModel m = m_model;
    const bool ok = loadFromBag(bag, m, error, &pictureFromStoredBytes, stockDefaults());
    return loadedModel(ok, m);
}

HResult MarqueeControl::saveBag(PropertyBag& bag) {
    saveToBag(modelToSave(), bag);
    m_dirty = false;
    return kSOk;
}

HResult MarqueeControl::advise(IZqEventSink* sink, std::uint32_t& cookie) {
    if (!sink)
        return kEPointer;
    cookie = m_nextCookie++;
    m_sinks.emplace(cookie, sink);
    return kSOk;
}

HResult MarqueeControl::unadvise(std::uint32_t cookie) {
    return m_sinks.erase(cookie) ? kSOk : kEInvalidArg;
}

void MarqueeControl::fireEvent(std::int32_t id, std::span<const Variant> args) {
    // A sink may disconnect (or release the control) from inside its handler.
    addRef();
    std::vector<std::uint32_t> cookies;
    for (const auto& entry : m_sinks)
        cookies.push_back(entry.first);
    for (std::uint32_t cookie : cookies) {
        const auto it = m_sinks.find(cookie);
        if (it != m_sinks.end())
            it->second->onEvent(id, args);
    }
    release();
}

std::vector<Guid> MarqueeControl::propertyPages() const {
    return {ids::kGeneralPage, ids::kStockColorPage, ids::kStockFontPage, ids::kStockPicturePage,
            ids::kInfoPage};
}

HResult MarqueeControl::showProperties(QWidget* parent) {
    PropertyFrame frame(this, parent);
    frame.exec();
    return kSOk;
}

QWidget* MarqueeControl::showAbout() {
    if (!m_about)
        m_about = new AboutDialog(m_widget ? m_widget->window() : nullptr);
    m_about->show();
    m_about->raise();
    return m_about;
}

} // namespace zqmarq
