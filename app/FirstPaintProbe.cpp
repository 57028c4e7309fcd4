#include "app/FirstPaintProbe.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

class TFirstPaintProbe : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!FSeen && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            FSeen = true;
            // The window's children paint and the window reaches the screen before the
            // event loop turns again.
            QTimer::singleShot(0, this, [] {
                std::fputs("first paint\n", stdout);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    bool FSeen = false;
};

}  // namespace

void InstallFirstPaintProbe(QApplication& AApplication) {
    if (!qEnvironmentVariableIsSet("TARNWICK_EXIT_AFTER_FIRST_PAINT")) return;
    AApplication.installEventFilter(new TFirstPaintProbe(&AApplication));
}
