// The four entry points of the component library, with C linkage.
#include "class_factory.h"
#include "component_registry.h"
#include "module_state.h"
#include "registration.h"

#define ZQ_EXPORT extern "C" __attribute__((visibility("default")))

using namespace zqmarq;

ZQ_EXPORT HResult DllRegisterServer() {
    const QString library = thisLibraryPath();
    if (library.isEmpty())
        return kSelfRegEClass;
    return registerServer(ComponentRegistry::writablePath(), library);
}

ZQ_EXPORT HResult DllUnregisterServer() {
    return unregisterServer(ComponentRegistry::writablePath());
}

ZQ_EXPORT HResult DllGetClassObject(const Guid* clsid, const Guid* iid, void** out) {
    if (!clsid || !iid || !out)
        return kEPointer;
    return getClassObject(*clsid, *iid, out);
}

ZQ_EXPORT HResult DllCanUnloadNow() {
    return ModuleState::canUnload() ? kSOk : kSFalse;
}
