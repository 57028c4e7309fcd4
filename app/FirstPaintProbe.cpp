#include "app/FirstPaintProbe.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QVariant>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

void Say(const char* AText) {
    std::fputs(AText, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class TFirstPaintProbe : public QObject {
public:
    TFirstPaintProbe(bool AExit, QObject* AParent) : QObject(AParent), FExit(AExit) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!FWindow && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            FWindow = static_cast<QWidget*>(watched);
            // The window's children paint and the window reaches the screen before the
            // event loop turns again.
            QTimer::singleShot(0, this, [this] {
                Say("first paint");
                if (FExit) QCoreApplication::exit(0);
                else WatchSettle();
            });
        }
        return false;
    }

private:
    void WatchSettle() {
        auto* timer = new QTimer(this);
        timer->setInterval(1);
        connect(timer, &QTimer::timeout, this, [this, timer] {
            const QVariant pending = FWindow ? FWindow->property("projectListPending") : QVariant();
            if (pending.isValid() && pending.toBool()) return;
            timer->stop();
            Say("settled");
        });
        timer->start();
    }

    bool FExit;
    QPointer<QWidget> FWindow;
};

}  // namespace

void InstallFirstPaintProbe(QApplication& AApplication) {
    const bool exit = qEnvironmentVariableIsSet("TARNWICK_EXIT_AFTER_FIRST_PAINT");
    if (!exit && !qEnvironmentVariableIsSet("TARNWICK_STARTUP_PROBE")) return;
    AApplication.installEventFilter(new TFirstPaintProbe(exit, &AApplication));
}
