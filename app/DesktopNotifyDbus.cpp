#include "app/DesktopNotify.h"
#include "app/DesktopNotifyDbus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

bool NotifyOverBus(const QDBusConnection& ABus, const QString& ATitle, const QString& AText) {
    if (!ABus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // app name, id to replace, icon, summary, body, actions, hints, timeout (-1: the server's)
    call << QCoreApplication::applicationName() << 0u << QStringLiteral("tarnwick") << ATitle << AText
         << QStringList() << QVariantMap() << -1;
    return ABus.send(call);
}

bool DesktopNotify(const QString& ATitle, const QString& AText) {
    return NotifyOverBus(QDBusConnection::sessionBus(), ATitle, AText);
}
