#pragma once
// The container side: creates a control by class id or ProgID through the component
// registry (loads its library, asks the class factory), embeds its window, loads its stored
// design, sets and gets its properties and turns its events into Qt signals.

#include "zq_interfaces.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariantList>

#include <memory>

class QWidget;

namespace zqmarq {

class ControlHost : public QObject, private IZqEventSink, private IZqControlSite {
    Q_OBJECT
  public:
    // Creates the control registered under clsidOrProgId ("{...}" or a ProgID) with its
    // window as a child of parent, initialised to its defaults with the given ambient
    // properties. On failure returns nullptr and *error says why (not registered, library
    // not loadable, class not provided).
    static std::unique_ptr<ControlHost> create(const QString& clsidOrProgId, QWidget* parent,
                                               QString* error,
                                               const AmbientProperties& ambients = {});
    ~ControlHost() override;

    QWidget* widget() const { return m_widget; }
    IZqControl* control() const { return m_control; }
    const TypeInfo& typeInfo() const { return m_control->typeInfo(); }

    // The stored design (stream form). A refused stream leaves the control at its defaults.
    bool loadStream(const QByteArray& data, QString* error = nullptr);
    bool loadStreamFile(const QString& path, QString* error = nullptr);
    // Empty when the design cannot be stored (*error says why).
    QByteArray saveStream(QString* error = nullptr) const;
    bool saveStreamFile(const QString& path, QString* error = nullptr) const;

    // Properties and the method by name (names match without regard to case).
    Variant property(const QString& name, QString* error = nullptr) const;
    bool setProperty(const QString& name, const Variant& value, QString* error = nullptr);
    bool invokeMethod(const QString& name, QString* error = nullptr);
    // Shortcuts for the banner's text. Any text is shown; one with a character past Latin-1
    // cannot be stored, and saving says so.
    QString text() const;
    bool setText(const QString& text, QString* error = nullptr);

    // The Properties verb (modal property frame).
    void showProperties(QWidget* parent);
    bool isDirty() const { return m_control->isDirty(); }

    // A window's font and palette as ambient properties (no ambient colours).
    static AmbientProperties ambientsOf(const QWidget& window);
    // The ambient properties this container offers; a change is told to the control.
    AmbientProperties ambientProperties() const override { return m_ambients; }
    void setAmbientProperties(const AmbientProperties& ambients);

  signals:
    // Every event, with its dispatch id, name and arguments (ints and strings).
    void controlEvent(int dispid, const QString& name, const QVariantList& args);
    void click();
    void dblClick();
    void mouseDown(int button, int shift, int x, int y);
    void mouseMove(int button, int shift, int x, int y);
    void mouseUp(int button, int shift, int x, int y);
    void finishedDisplay();
    void modified();
    void propertyChanged(int dispid);

  private:
    ControlHost(IZqControl* control, QWidget* parent, const AmbientProperties& ambients);
    void onEvent(std::int32_t dispid, std::span<const Variant> args) override;
    void onControlModified() override { emit modified(); }
    void onPropertyChanged(std::int32_t dispid) override { emit propertyChanged(dispid); }

    IZqControl* m_control;
    AmbientProperties m_ambients;
    QWidget* m_widget = nullptr;
    std::uint32_t m_cookie = 0;
};

// Loads (once per process) the library registered for clsidOrProgId and returns its class
// factory for that class, with one reference for the caller. nullptr and *error on failure.
IZqClassFactory* getRegisteredClassFactory(const QString& clsidOrProgId, Guid* clsid,
                                           QString* error);

} // namespace zqmarq
