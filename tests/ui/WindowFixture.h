#pragma once

#include "ScriptedDesktop.h"
#include "app/AppEnvironment.h"
#include "app/ConsoleEdit.h"
#include "app/TarnwickApplication.h"
#include "app/dtmMainUnit.h"
#include "app/frmMainUnit.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (const QString& text : list) *out << " \"" << text.toStdString() << '"';
    *out << " }";
}

// A fresh data module and main window per test, with the program's files in a
// temporary folder and every prompt answered by a script.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Temp.isValid());
        static_cast<TTarnwickApplication*>(qApp)->setDesktop(Desktop);
        Environment.ExecutableFile = Temp.filePath(QStringLiteral("bin/tarnwick"));
        Environment.ConfigHome = Temp.filePath(QStringLiteral("config"));
        QDir().mkpath(Temp.filePath(QStringLiteral("bin")));
    }

    void TearDown() override { CloseWindow(); }

    // Starts the program: creates the data module, then the window.
    void OpenWindow() {
        CloseWindow();
        DataModule = std::make_unique<TdtmMain>(Desktop);
        DataModule->auUpgrade.setRemoteINIFileURL("http://127.0.0.1:9/version.ini");
        Window = std::make_unique<TfrmMain>(*DataModule, Desktop, Environment);
        // The project list fills at the event loop's next turn.
        for (int turn = 0; turn < 100 && Window->IsProjectListPending(); ++turn)
            QCoreApplication::processEvents();
        EXPECT_FALSE(Window->IsProjectListPending());
    }

    void CloseWindow() {
        Window.reset();
        DataModule.reset();
    }

    QString Path(const QString& relative) const { return Temp.filePath(relative); }

    QString SettingsFile() const { return Path(QStringLiteral("bin/settings.ini")); }

    QByteArray ReadFile(const QString& file) const {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void WriteFile(const QString& file, const QByteArray& bytes) const {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    // A root folder with the given project folders, stored as the remembered choice.
    QString MakeRoot(const QStringList& projects, const QString& activeProject = QString()) {
        const QString root = Path(QStringLiteral("www"));
        for (const QString& project : projects) QDir().mkpath(root + u'/' + project);
        // Runs read and write pipes (View > Terminal off), whose output the tests compare
        // byte for byte; tests of runs on a terminal turn it on.
        WriteFile(SettingsFile(), "[Settings]\r\nRoot=" + root.toUtf8() + "\r\nProject=" +
                                      activeProject.toUtf8() + "\r\n[Preferences]\r\nTerminal=0\r\n");
        return root;
    }

    template <typename T>
    T* Find(const char* name) const {
        T* widget = Window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QString ConsoleText() const { return Window->Console().toPlainText(); }

    // Lets the window's thread turn until the run in progress (if any) has ended.
    bool WaitForRun(int milliseconds = 60000) const {
        QDeadlineTimer deadline(milliseconds);
        while (Window->IsRunning() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        // The run object goes with the next turn of the loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return !Window->IsRunning();
    }

    // Types a command line into the command box and presses Enter, without waiting for
    // the run to end.
    void TypeAndGo(const QString& ACommandLine) {
        auto* command = Find<QLineEdit>("edtCommand");
        command->setText(ACommandLine);
        QTest::keyClick(command, Qt::Key_Return);
    }

    // Lets the window's thread turn until the condition holds.
    template <typename Condition>
    bool TurnUntil(Condition condition, int milliseconds = 60000) {
        QDeadlineTimer deadline(milliseconds);
        while (!condition() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return condition();
    }

    // The console's lines with the end line of each run replaced by "<end>".
    QString ConsoleWithEndLinesMarked() const {
        static const QRegularExpression endLine(QStringLiteral(
            "^(Exit code -?\\d+|Ended by signal \\d+) \u00B7 \\d+\\.\\d+ s$|^Stopped after \\d+\\.\\d+ s$|^Could not start \u00B7 .*$"),
            QRegularExpression::MultilineOption);
        return ConsoleText().replace(endLine, QStringLiteral("<end>"));
    }

    QTemporaryDir Temp;
    TScriptedDesktop Desktop;
    TAppEnvironment Environment;
    std::unique_ptr<TdtmMain> DataModule;
    std::unique_ptr<TfrmMain> Window;
};
