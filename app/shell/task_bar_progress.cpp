#include "shell/task_bar_progress.h"

#ifdef KAVEL_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>
#endif

void showTaskBarProgress(int percent) {
#ifdef KAVEL_HAVE_DBUS
    // Only a bus the desktop session names: no bus is started for this (autolaunch).
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage update = QDBusMessage::createSignal(
        QStringLiteral("/org/kavel32/LauncherEntry"),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    QVariantMap properties;
    properties.insert(QStringLiteral("progress-visible"), percent >= 0);
    properties.insert(QStringLiteral("progress"), percent >= 0 ? percent / 100.0 : 0.0);
    // The entry is named by the desktop file the program is installed with.
    update << QStringLiteral("application://kavel32.desktop") << properties;
    bus.send(update);
#else
    (void)percent;
#endif
}
