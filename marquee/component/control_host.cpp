#include "control_host.h"

#include "component_registry.h"
#include "qt_surface.h"
#include "stored_text.h"

#include <QFile>
#include <QLibrary>
#include <QMap>
#include <QSaveFile>
#include <QWidget>

namespace zqmarq {

namespace {

// Libraries stay loaded for the life of the process: their widgets' code must outlive them.
QLibrary* loadLibrary(const QString& path, QString* error) {
    static auto* loaded = new QMap<QString, QLibrary*>; // never freed, as the libraries
    if (QLibrary* lib = loaded->value(path))
        return lib;
    auto* lib = new QLibrary(path);
    if (!lib->load()) {
        if (error)
            *error = QStringLiteral("Cannot load the control library %1: %2")
                         .arg(path, lib->errorString());
        delete lib;
        return nullptr;
    }
    loaded->insert(path, lib);
    return lib;
}

QVariant toQVariant(const Variant& v) {
    if (const auto* i = v.asInt16())
        return int(*i);
    if (const auto* l = v.asInt32())
        return int(*l);
    if (const auto* b = v.asBool())
        return *b;
    if (const auto* s = v.asString())
        return textOfStored(*s);
    if (const auto* c = v.asColor())
        return uint(c->value);
    return QVariant();
}

bool report(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

} // namespace

IZqClassFactory* getRegisteredClassFactory(const QString& clsidOrProgId, Guid* clsidOut,
                                           QString* error) {
    const auto resolved = resolveClass(clsidOrProgId, error);
    if (!resolved)
        return nullptr;
    const auto clsid = Guid::parse(resolved->clsid.toStdString());
    if (!clsid) {
        report(error, QStringLiteral("The registry entry for %1 holds a malformed class id %2")
                          .arg(clsidOrProgId, resolved->clsid));
        return nullptr;
    }
    QLibrary* lib = loadLibrary(resolved->library, error);
    if (!lib)
        return nullptr;
    const auto getClassObject =
        reinterpret_cast<DllGetClassObjectFn>(lib->resolve("DllGetClassObject"));
    if (!getClassObject) {
        report(error, QStringLiteral("The library %1 is not a component library (no "
                                     "DllGetClassObject)")
                          .arg(resolved->library));
        return nullptr;
    }
    void* factory = nullptr;
    const HResult hr = getClassObject(&*clsid, &ids::kIClassFactory, &factory);
    if (!succeeded(hr) || !factory) {
        report(error, QStringLiteral("The library %1 does not provide the class %2: %3")
                          .arg(resolved->library, resolved->clsid,
                               QString::fromStdString(describeResult(hr))));
        return nullptr;
    }
    if (clsidOut)
        *clsidOut = *clsid;
    return static_cast<IZqClassFactory*>(factory);
}

std::unique_ptr<ControlHost> ControlHost::create(const QString& clsidOrProgId, QWidget* parent,
                                                 QString* error,
                                                 const AmbientProperties& ambients) {
    IZqClassFactory* factory = getRegisteredClassFactory(clsidOrProgId, nullptr, error);
    if (!factory)
        return nullptr;
    void* object = nullptr;
    const HResult hr = factory->createInstance(ids::kIZqControl, &object);
    factory->release();
    if (!succeeded(hr) || !object) {
        report(error, QStringLiteral("The control %1 could not be created: %2")
                          .arg(clsidOrProgId, QString::fromStdString(describeResult(hr))));
        return nullptr;
    }
    // The site first, so that the reset finds the ambient properties.
    std::unique_ptr<ControlHost> host(
        new ControlHost(static_cast<IZqControl*>(object), parent, ambients));
    host->m_control->initNew();
    return host;
}

ControlHost::ControlHost(IZqControl* control, QWidget* parent, const AmbientProperties& ambients)
    : m_control(control), m_ambients(ambients) {
    m_control->setClientSite(this);
    m_control->advise(this, m_cookie);
    m_widget = m_control->window(parent);
}

ControlHost::~ControlHost() {
    m_control->unadvise(m_cookie);
    m_control->setClientSite(nullptr);
    m_control->release();
}

bool ControlHost::loadStream(const QByteArray& data, QString* error) {
    std::string message;
    const HResult hr =
        m_control->loadStream(reinterpret_cast<const std::uint8_t*>(data.constData()),
                              static_cast<std::size_t>(data.size()), &message);
    if (!succeeded(hr))
        return report(error, QString::fromStdString(message));
    return true;
}

bool ControlHost::loadStreamFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return report(
            error,
            QStringLiteral("Cannot read the stored control %1: %2").arg(path, file.errorString()));
    QString message;
    if (!loadStream(file.readAll(), &message))
        return report(error,
                      QStringLiteral("The stored control %1 was refused: %2").arg(path, message));
    return true;
}

QByteArray ControlHost::saveStream(QString* error) const {
    std::vector<std::uint8_t> bytes;
    std::string why;
    if (!succeeded(m_control->saveStream(bytes, &why))) {
        report(error, QString::fromStdString(why));
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

bool ControlHost::saveStreamFile(const QString& path, QString* error) const {
    QSaveFile file(path);
    QString why;
    const QByteArray data = saveStream(&why);
    if (data.isEmpty())
        return report(error,
                      QStringLiteral("Cannot write the stored control %1: %2").arg(path, why));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        return report(
            error,
            QStringLiteral("Cannot write the stored control %1: %2").arg(path, file.errorString()));
    return true;
}

Variant ControlHost::property(const QString& name, QString* error) const {
    std::int32_t id = 0;
    Variant result;
    HResult hr = m_control->getIdOfName(name.toStdString(), id);
    if (succeeded(hr))
        hr = m_control->invoke(id, InvokeKind::PropertyGet, {}, &result);
    if (!succeeded(hr))
        report(error, QStringLiteral("Cannot read %1: %2")
                          .arg(name, QString::fromStdString(describeResult(hr))));
    return result;
}

bool ControlHost::setProperty(const QString& name, const Variant& value, QString* error) {
    std::int32_t id = 0;
    HResult hr = m_control->getIdOfName(name.toStdString(), id);
    if (succeeded(hr)) {
        const Variant args[] = {value};
        hr = m_control->invoke(id, InvokeKind::PropertyPut, args, nullptr);
    }
    if (!succeeded(hr))
        return report(error, QStringLiteral("Cannot set %1: %2")
                                 .arg(name, QString::fromStdString(describeResult(hr))));
    return true;
}

bool ControlHost::invokeMethod(const QString& name, QString* error) {
    std::int32_t id = 0;
    HResult hr = m_control->getIdOfName(name.toStdString(), id);
    if (succeeded(hr))
        hr = m_control->invoke(id, InvokeKind::Method, {}, nullptr);
    if (!succeeded(hr))
        return report(error, QStringLiteral("Cannot call %1: %2")
                                 .arg(name, QString::fromStdString(describeResult(hr))));
    return true;
}

QString ControlHost::text() const {
    std::string s;
    property(QStringLiteral("Text")).toString(s);
    return textOfStored(s);
}

bool ControlHost::setText(const QString& text, QString* error) {
    return setProperty(QStringLiteral("Text"), modelText(text), error);
}

AmbientProperties ControlHost::ambientsOf(const QWidget& window) {
    AmbientProperties a;
    a.font = fontDescOf(window.font()); // none for a family name the stored form cannot hold
    a.palette = window.palette();
    return a;
}

void ControlHost::setAmbientProperties(const AmbientProperties& ambients) {
    if (ambients == m_ambients)
        return;
    m_ambients = ambients;
    m_control->ambientPropertiesChanged();
}

void ControlHost::showProperties(QWidget* parent) {
    m_control->showProperties(parent);
}

void ControlHost::onEvent(std::int32_t id, std::span<const Variant> args) {
    QVariantList list;
    for (const Variant& v : args)
        list << toQVariant(v);
    const EventInfo* info = findEvent(id);
    emit controlEvent(id, info ? QString::fromLatin1(info->name) : QString(), list);
    auto arg = [&list](int i) { return i < list.size() ? list[i].toInt() : 0; };
    switch (id) {
    case dispid::kClick:
        emit click();
        break;
    case dispid::kDblClick:
        emit dblClick();
        break;
    case dispid::kMouseDown:
        emit mouseDown(arg(0), arg(1), arg(2), arg(3));
        break;
    case dispid::kMouseMove:
        emit mouseMove(arg(0), arg(1), arg(2), arg(3));
        break;
    case dispid::kMouseUp:
        emit mouseUp(arg(0), arg(1), arg(2), arg(3));
        break;
    case dispid::kFinishedDisplay:
        emit finishedDisplay();
        break;
    default:
        break;
    }
}

} // namespace zqmarq
