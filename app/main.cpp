#include "app/Desktop.h"
#include "app/TarnwickApplication.h"
#include "app/dtmMainUnit.h"
#include "app/frmMainUnit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

int main(int argc, char** argv) {
    TQtDesktop desktop;
    TTarnwickApplication application(argc, argv, desktop);

    TdtmMain dtmMain(desktop);
    TfrmMain frmMain(dtmMain, desktop);
    frmMain.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frmMain.size(),
                                            QGuiApplication::primaryScreen()->availableGeometry()));
    frmMain.show();
    return application.exec();
}
