#pragma once

#include <QApplication>

#include <functional>

class IDesktop;
class QWidget;

// Shows the default error box for a message: the title "Tarnwick 2", an error icon,
// OK, and the message with a full stop appended when its last character's code is
// above that of the full stop.
void ShowDefaultErrorBox(IDesktop& desktop, QWidget* parent, const QString& message);

// Runs an event handler and shows the default error box for any exception that
// leaves it, so that no exception unwinds through the toolkit's frames. Every
// handler connected to a signal or called from an event goes through this.
void AtHandlerEdge(IDesktop& desktop, QWidget* parent, const std::function<void()>& handler);

// The application object. Any exception that still leaves an event handler is
// shown in the default error box, and the program goes on.
class TTarnwickApplication : public QApplication {
    Q_OBJECT

public:
    TTarnwickApplication(int& argc, char** argv, IDesktop& desktop);

    bool notify(QObject* receiver, QEvent* event) override;

    void ShowException(const QString& message);

    void setDesktop(IDesktop& desktop) { FDesktop = &desktop; }

private:
    IDesktop* FDesktop;
};
