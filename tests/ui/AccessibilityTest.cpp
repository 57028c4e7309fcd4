#include "AccessibleTree.h"
#include "WindowFixture.h"
#include "app/frmUpdateUnit.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QSignalSpy>
#include <QtTest/QTest>

namespace {

// The windows a user can meet from the main window: itself, its menus, an update
// dialog, and every other window that is open now.
QList<QWidget*> WindowsToWalk(QWidget& main, QWidget& updateDialog) {
    QList<QWidget*> windows = {&main, &updateDialog};
    for (QMenu* menu : main.findChildren<QMenu*>()) windows.append(menu);
    for (QWidget* topLevel : QApplication::topLevelWidgets())
        if (!windows.contains(topLevel) && topLevel->isVisible() && !qobject_cast<QMenu*>(topLevel))
            windows.append(topLevel);
    return windows;
}

class Accessibility : public WindowTest {
protected:
    QAccessibleInterface* Interface(QObject* object) const {
        return QAccessible::queryAccessibleInterface(object);
    }
};

TEST_F(Accessibility, EveryControlOfTheWindowsHasAName) {
    OpenWindow();
    Window->show();
    TfrmUpdate dialog([](const QString&) {});
    dialog.SetDownloadLink(QStringLiteral("http://downloads.tarnwick.example/2.0.3"));
    EXPECT_EQ(UnnamedControls(WindowsToWalk(*Window, dialog)), QStringList());
    // The find bar over the console, once Ctrl+F has opened it.
    Find<QAction>("menFind")->trigger();
    ASSERT_TRUE(Find<QWidget>("panFind")->isVisible());
    EXPECT_EQ(UnnamedControls({Window.get()}), QStringList());
    // The Help menu's dialogs.
    int dialogs = 0;
    Desktop.OnShowModal = [&dialogs](QDialog& ADialog) {
        ADialog.show();
        ++dialogs;
        EXPECT_EQ(UnnamedControls({&ADialog}), QStringList()) << ADialog.objectName().toStdString();
    };
    Find<QAction>("menAbout")->trigger();
    Find<QAction>("menKeyboardShortcuts")->trigger();
    EXPECT_EQ(dialogs, 2);
    Desktop.OnShowModal = nullptr;

    // The walk does see a control that lacks a name.
    auto* stray = new QLineEdit(Find<QWidget>("panTop"));
    stray->setObjectName(QStringLiteral("stray"));
    const QStringList unnamed = UnnamedControls({Window.get()});
    ASSERT_EQ(unnamed.size(), 1);
    EXPECT_TRUE(unnamed[0].contains(QStringLiteral("/stray"))) << unnamed[0].toStdString();
}

TEST_F(Accessibility, LabelsNameTheirControlsAndTheOthersCarryTheirOwnNames) {
    OpenWindow();
    const struct {
        const char* control;
        QString name;
        const char* label;
    } cases[] = {{"edtRoot", "www Root Folder:", "Label2"},
                 {"cmbProjects", "Working Project", "Label3"},
                 {"edtCommand", "Command:", "Label1"},
                 {"redtConsole", "Console", nullptr},
                 {"imgDonate", "Donate", nullptr},
                 {"SpeedButton1", "Refresh List", nullptr},
                 {"lblfennoway", TfrmMain::kSiteAddress, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control);
        QWidget* control = Find<QWidget>(c.control);
        EXPECT_EQ(Interface(control)->text(QAccessible::Name), c.name);
        if (!c.label) continue;
        auto* label = Find<QLabel>(c.label);
        EXPECT_EQ(label->buddy(), control);
        EXPECT_EQ(label->text(), c.name) << "the caption stays as it is";
        bool labelled = false;
        for (const auto& [other, relation] : Interface(control)->relations(QAccessible::Label))
            labelled = labelled || other->object() == label;
        EXPECT_TRUE(labelled);
    }
    EXPECT_EQ(Interface(Find<QWidget>("lblfennoway"))->role(), QAccessible::Link);
    EXPECT_EQ(Interface(Find<QWidget>("imgDonate"))->role(), QAccessible::Link);
}

TEST_F(Accessibility, EveryControlIsReachedAndUsedFromTheKeyboard) {
    const QString root = MakeRoot({"one"});
    OpenWindow();
    Window->show();
    QApplication::setActiveWindow(Window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));

    // Tab from Run: the described order first, then the page's preset buttons, then
    // the two links; nothing that can be reached is skipped.
    QWidget* start = Find<QWidget>("btnRun");
    start->setFocus();
    QStringList reached;
    for (int i = 0; i < 40 && reached.count(QStringLiteral("btnRun")) == 0; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.append(QApplication::focusWidget()->objectName());
    }
    const QStringList described = {"edtCommand", "edtRoot", "btnBrowse", "cmbProjects", "redtConsole"};
    EXPECT_EQ(reached.mid(0, described.size()), described);
    for (const char* name : {"btnClear__Compile", "btnView_Clear", "lblfennoway", "imgDonate"})
        EXPECT_TRUE(reached.contains(QLatin1String(name))) << name;
    EXPECT_LT(reached.indexOf("btnView_Clear"), reached.indexOf("lblfennoway"));

    // A focused preset button runs with Space; a focused link opens with Enter.
    auto* inspire = Find<QToolButton>("btnInspire");
    inspire->setFocus();
    QSignalSpy requested(Window.get(), &TfrmMain::runRequested);
    QTest::keyClick(inspire, Qt::Key_Space);
    ASSERT_EQ(requested.size(), 1);
    EXPECT_EQ(requested[0][0].toString(), QStringLiteral("php artisan inspire"));
    for (const char* link : {"lblfennoway", "imgDonate"}) {
        Find<QWidget>(link)->setFocus();
        QTest::keyClick(Find<QWidget>(link), Qt::Key_Return);
    }
    EXPECT_EQ(Desktop.OpenedUrls, QStringList({TfrmMain::kSiteAddress, TfrmMain::kDonateAddress}));

    // Ctrl+R refreshes the project list, whose button takes no focus.
    QDir().mkpath(root + QStringLiteral("/two"));
    QTest::keyClick(Window.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(Find<QComboBox>("cmbProjects")->count(), 2);

    // The File menu opens with Alt+F.
    QTest::keyClick(Window.get(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(Find<QMenu>("File1")->isVisible());
    QTest::keyClick(Find<QMenu>("File1"), Qt::Key_Escape);
}

TEST_F(Accessibility, UpdateDialogLinkIsReachedAndOpenedFromTheKeyboard) {
    QStringList opened;
    TfrmUpdate dialog([&opened](const QString& address) { opened.append(address); });
    dialog.SetDownloadLink(QStringLiteral("http://downloads.tarnwick.example/2.0.3"));
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* close = dialog.findChild<QPushButton*>("btnClose");
    close->setFocus();
    QTest::keyClick(close, Qt::Key_Tab);
    auto* link = dialog.findChild<QLabel*>("lblDownloadLink");
    EXPECT_EQ(QApplication::focusWidget(), link);
    QTest::keyClick(link, Qt::Key_Return);
    EXPECT_EQ(opened, QStringList({"http://downloads.tarnwick.example/2.0.3"}));
    EXPECT_TRUE(dialog.isVisible());

    const auto name = [&dialog](const char* objectName) {
        return QAccessible::queryAccessibleInterface(dialog.findChild<QWidget*>(objectName))
            ->text(QAccessible::Name);
    };
    EXPECT_EQ(name("memMessage"), QStringLiteral("Update Message:"));
    EXPECT_EQ(name("lblDownloadLink"), QStringLiteral("http://downloads.tarnwick.example/2.0.3"));
}

}  // namespace
