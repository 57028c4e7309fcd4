#include "app/TarnwickApplication.h"

#include "app/Desktop.h"
#include "app/FirstPaintProbe.h"

#include <exception>

TTarnwickApplication::TTarnwickApplication(int& argc, char** argv, IDesktop& desktop)
    : QApplication(argc, argv), FDesktop(&desktop) {
    setApplicationName(QStringLiteral("Tarnwick 2"));
    InstallFirstPaintProbe(*this);
}

bool TTarnwickApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowException(tr("Unknown error"));
    }
    return false;
}

void ShowDefaultErrorBox(IDesktop& desktop, QWidget* parent, const QString& message) {
    QString text = message;
    if (!text.isEmpty() && text.back().unicode() > u'.') text += u'.';
    desktop.ShowError(parent, QStringLiteral("Tarnwick 2"), text);
}

void AtHandlerEdge(IDesktop& desktop, QWidget* parent, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowDefaultErrorBox(desktop, parent, QString::fromUtf8(error.what()));
    } catch (...) {
        ShowDefaultErrorBox(desktop, parent, QCoreApplication::translate("TTarnwickApplication", "Unknown error"));
    }
}

void TTarnwickApplication::ShowException(const QString& message) {
    ShowDefaultErrorBox(*FDesktop, activeWindow(), message);
}
