#pragma once

#include <QString>

// Tells the desktop something while the window may be out of sight: a freedesktop
// notification over the session bus on Linux (DesktopNotifyDbus.cpp), the tray's message
// on Windows (DesktopNotifyTray.cpp). False when the desktop could not be reached.
bool DesktopNotify(const QString& ATitle, const QString& AText);
