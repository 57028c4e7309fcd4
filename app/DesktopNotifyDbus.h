#pragma once

#include <QString>

class QDBusConnection;

// A freedesktop notification sent on ABus (DesktopNotify uses the session bus); the call
// does not wait for the answer. False when the bus is not connected.
bool NotifyOverBus(const QDBusConnection& ABus, const QString& ATitle, const QString& AText);
