#include "registration.h"

#include "component_registry.h"

#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace zqmarq {

namespace {

QString guidText(const Guid& g) {
    return QString::fromStdString(g.toString());
}
QString clsidKey(const Guid& g) {
    return QStringLiteral("CLSID\\") + guidText(g);
}
QString typeLibKey() {
    return QStringLiteral("TypeLib\\") + guidText(ids::kTypeLib);
}
QString typeLibVersion() {
    return QStringLiteral("%1.%2").arg(kTypeLibMajor).arg(kTypeLibMinor);
}

struct ClassEntry {
    Guid clsid;
    const char* progId;
    const char* typeName;
    bool isControl;
};

const ClassEntry kClasses[] = {
    {ids::kControl, kControlProgId, kControlTypeName, true},
    {ids::kGeneralPage, kGeneralPageProgId, kGeneralPageTypeName, false},
    {ids::kInfoPage, kInfoPageProgId, kInfoPageTypeName, false},
};

void writeTypeLib(ComponentRegistry& reg, const QString& library) {
    const QString key = typeLibKey() + QLatin1Char('\\') + typeLibVersion();
    reg.setValue(key, QString(), QLatin1String(kTypeLibHelp));
    reg.setValue(key + QStringLiteral("\\%1\\linux").arg(kTypeLibLocale, 0, 16), QString(),
                 library);
    reg.setValue(key + QStringLiteral("\\FLAGS"), QString(), QStringLiteral("2")); // control
    reg.setValue(key + QStringLiteral("\\HELPDIR"), QString(), QFileInfo(library).absolutePath());
    for (const auto& [iid, name] :
         {std::pair{ids::kDispatch, kDispatchName}, std::pair{ids::kEvents, kEventsName}}) {
        const QString ikey = QStringLiteral("Interface\\") + guidText(iid);
        reg.setValue(ikey, QString(), QLatin1String(name));
        reg.setValue(ikey + QStringLiteral("\\TypeLib"), QString(), guidText(ids::kTypeLib));
        reg.setValue(ikey + QStringLiteral("\\TypeLib"), QStringLiteral("Version"),
                     typeLibVersion());
    }
}

void writeClass(ComponentRegistry& reg, const ClassEntry& c, const QString& library) {
    const QString key = clsidKey(c.clsid);
    reg.setValue(key, QString(), QLatin1String(c.typeName));
    reg.setValue(key + QStringLiteral("\\InprocServer32"), QString(), library);
    reg.setValue(key + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel"),
                 QStringLiteral("Apartment"));
    reg.setValue(key + QStringLiteral("\\ProgID"), QString(), QLatin1String(c.progId));
    reg.setValue(QLatin1String(c.progId), QString(), QLatin1String(c.typeName));
    reg.setValue(QLatin1String(c.progId) + QStringLiteral("\\CLSID"), QString(), guidText(c.clsid));
    if (!c.isControl)
        return;
    reg.setValue(key + QStringLiteral("\\ToolboxBitmap32"), QString(),
                 library + QStringLiteral(", 1"));
    reg.setValue(key + QStringLiteral("\\MiscStatus"), QString(), QStringLiteral("0"));
    reg.setValue(key + QStringLiteral("\\MiscStatus\\1"), QString(), QString::number(kMiscStatus));
    reg.setValue(key + QStringLiteral("\\Control"), QString(), QString());
    reg.setValue(key + QStringLiteral("\\Insertable"), QString(), QString());
    reg.setValue(QLatin1String(c.progId) + QStringLiteral("\\Insertable"), QString(), QString());
    reg.setValue(key + QStringLiteral("\\TypeLib"), QString(), guidText(ids::kTypeLib));
    reg.setValue(key + QStringLiteral("\\Version"), QString(), typeLibVersion());
}

QString implementedKey(const Guid& category) {
    return clsidKey(ids::kControl) + QStringLiteral("\\Implemented Categories\\") +
           guidText(category);
}

bool loadRegistry(ComponentRegistry& reg, const QString& path) {
    QString error;
    return reg.load(path, &error);
}

} // namespace

HResult registerServer(const QString& registryPath, const QString& libraryPath) {
    // A path stored broken would register a class that no container can load.
    if (unstorablePathReason(libraryPath))
        return kSelfRegETypeLib;
    ComponentRegistry reg;
    if (!loadRegistry(reg, registryPath))
        return kSelfRegETypeLib;
    writeTypeLib(reg, libraryPath);
    if (!reg.save(registryPath, nullptr))
        return kSelfRegETypeLib;

    for (const ClassEntry& c : kClasses)
        writeClass(reg, c, libraryPath);
    if (!reg.save(registryPath, nullptr))
        return kSelfRegEClass;

    // Categories: the description is limited to 127 characters; results are not checked.
    const QString catKey =
        QStringLiteral("Component Categories\\") + guidText(ids::kCatSafeForInitializing);
    reg.setValue(catKey, QString::number(kTypeLibLocale, 16),
                 QString::fromLatin1(kCatSafeForInitializingText).left(127));
    reg.setValue(implementedKey(ids::kCatSafeForInitializing), QString(), QString());
    reg.setValue(implementedKey(ids::kCatSafeForScripting), QString(), QString());
    reg.save(registryPath, nullptr);
    return kSOk;
}

HResult unregisterServer(const QString& registryPath) {
    ComponentRegistry reg;
    if (!loadRegistry(reg, registryPath))
        return kSelfRegETypeLib;
    reg.removeKey(typeLibKey());
    reg.removeKey(QStringLiteral("Interface\\") + guidText(ids::kDispatch));
    reg.removeKey(QStringLiteral("Interface\\") + guidText(ids::kEvents));
    if (!reg.save(registryPath, nullptr))
        return kSelfRegETypeLib;

    // The implemented categories go first, then the classes themselves.
    reg.removeKey(implementedKey(ids::kCatSafeForInitializing));
    reg.removeKey(implementedKey(ids::kCatSafeForScripting));
    for (const ClassEntry& c : kClasses) {
        reg.removeKey(clsidKey(c.clsid));
        reg.removeKey(QLatin1String(c.progId));
    }
    if (!reg.save(registryPath, nullptr))
        return kSelfRegEClass;
    return kSOk;
}

QString thisLibraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&thisLibraryPath), &info) == 0 || !info.dli_fname)
        return QString();
    return QFileInfo(QFile::decodeName(info.dli_fname)).absoluteFilePath();
}

} // namespace zqmarq
