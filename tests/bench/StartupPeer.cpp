// The start-up benchmark's peer: a bare Qt main window with a menu bar and one label,
// the same size as Tarnwick's window, with the same first-paint probe.
#include "app/FirstPaintProbe.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    InstallFirstPaintProbe(application);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("&Exit"));
    window.setCentralWidget(new QLabel(QStringLiteral("Tarnwick")));
    window.resize(644, 535);
    window.show();
    return application.exec();
}
