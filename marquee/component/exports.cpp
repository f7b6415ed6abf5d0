// The four entry points of the component library, with C linkage.
#include "class_factory.h"
#include "component_registry.h"
#include "module_state.h"
#include "registration.h"
#include "version_block.h"

#define ZQ_EXPORT extern "C" __attribute__((visibility("default")))

using namespace zqmarq;

// The version block, kept as data in a section of its own (see version_block.h).
// clang-format off
#define ZQ_VERSION_ENTRY(name, value) name "\0" value "\0"
extern "C" __attribute__((used, section(".zqmarq_version"))) const char zqmarqVersionBlock[] =
    ZQMARQ_VERSION_BLOCK_MAGIC "\0"
    "1\0" // format
    ZQ_VERSION_ENTRY("FileVersion", ZQMARQ_FILE_VERSION_TEXT)
    ZQ_VERSION_ENTRY("ProductVersion", ZQMARQ_FILE_VERSION_TEXT)
    ZQ_VERSION_ENTRY("FileDescription", "Nimbrel Marquee Control")
    ZQ_VERSION_ENTRY("ProductName", "Nimbrel Marquee Control")
    ZQ_VERSION_ENTRY("InternalName", "Marquee Control")
    ZQ_VERSION_ENTRY("OriginalFilename", "ZQMARQ.OCX")
    ZQ_VERSION_ENTRY("OLESelfRegister", "")
    "\0";
#undef ZQ_VERSION_ENTRY
// clang-format on

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
