#include "class_factory.h"

#include "marquee_control.h"
#include "property_page_objects.h"

namespace zqmarq {

HResult ClassFactory::queryInterface(const Guid& iid, void** out) {
    if (!out)
        return kEPointer;
    if (iid == ids::kIUnknown || iid == ids::kIClassFactory) {
        *out = static_cast<IZqClassFactory*>(this);
        addRef();
        return kSOk;
    }
    *out = nullptr;
    return kENoInterface;
}

HResult ClassFactory::createInstance(const Guid& iid, void** out) {
    if (!out)
        return kEPointer;
    *out = nullptr;
    return m_create(iid, out);
}

HResult ClassFactory::lockServer(bool lock) {
    ModuleState::lock(lock);
    return kSOk;
}

namespace {
template <typename T> HResult createAs(const Guid& iid, void** out) {
    T* object = new T;
    const HResult hr = object->queryInterface(iid, out);
    object->release(); // the query holds the reference when it succeeded
    return hr;
}
} // namespace

HResult getClassObject(const Guid& clsid, const Guid& iid, void** out) {
    if (!out)
        return kEPointer;
    *out = nullptr;
    ClassFactory::Creator creator;
    if (clsid == ids::kControl)
        creator = &createAs<MarqueeControl>;
    else if (clsid == ids::kGeneralPage)
        creator = &createAs<GeneralPageObject>;
    else if (clsid == ids::kInfoPage)
        creator = &createAs<InfoPageObject>;
    else
        return kClassENotAvailable;
    auto* factory = new ClassFactory(std::move(creator));
    const HResult hr = factory->queryInterface(iid, out);
    factory->release();
    return hr;
}

} // namespace zqmarq
