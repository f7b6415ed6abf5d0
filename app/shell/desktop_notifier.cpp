#include "shell/desktop_notifier.h"

#ifdef KAVEL_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>
#endif

void DesktopNotifier::notify(const QString& summary, const QString& body) {
#ifdef KAVEL_HAVE_DBUS
    // Only a bus the desktop session names: no bus is started for this (autolaunch).
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QStringLiteral("org.freedesktop.Notifications");
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(service))
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/Notifications"),
                                       service, QStringLiteral("Notify"));
    // app name, replaces id, icon, summary, body, actions, hints, timeout (-1: the server's)
    call << QStringLiteral("Kavel32") << uint(0) << QStringLiteral("kavel32") << summary << body
         << QStringList() << QVariantMap() << int(-1);
    bus.call(call, QDBus::NoBlock);
#else
    (void)summary;
    (void)body;
#endif
}
