#include "app/DesktopNotify.h"

#include <QApplication>
#include <QIcon>
#include <QSystemTrayIcon>

// The tray icon is made at the first notice and stays while the program runs.
bool DesktopNotify(const QString& ATitle, const QString& AText) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
    static QSystemTrayIcon* tray = [] {
        auto* icon = new QSystemTrayIcon(QApplication::windowIcon(), qApp);
        icon->show();
        return icon;
    }();
    tray->showMessage(ATitle, AText);
    return true;
}
