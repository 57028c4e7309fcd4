#include "AccessibleTree.h"
#include "WindowFixture.h"
#include "app/frmPreferencesUnit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace {

class Preferences : public WindowTest {
protected:
    // Opens Edit > Preferences…, lets AEdit change the controls, then presses OK (or Cancel).
    void EditPreferences(const std::function<void(QDialog&)>& AEdit, bool AOk = true) {
        bool shown = false;
        Desktop.OnShowModal = [&](QDialog& ADialog) {
            shown = true;
            ADialog.show();
            AEdit(ADialog);
            auto* buttons = ADialog.findChild<QDialogButtonBox*>(QStringLiteral("btnsPreferences"));
            buttons->button(AOk ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        };
        Find<QAction>("menPreferences")->trigger();
        Desktop.OnShowModal = nullptr;
        EXPECT_TRUE(shown);
    }
    template <typename T>
    static T* In(QDialog& ADialog, const char* AName) {
        T* control = ADialog.findChild<T*>(QLatin1String(AName));
        EXPECT_NE(control, nullptr) << AName;
        return control;
    }
};

TEST_F(Preferences, DefaultsAreTheDescribedOnesAndEveryControlIsNamedAndExplained) {
    OpenWindow();
    EXPECT_EQ(Find<QAction>("menPreferences")->shortcut(), QKeySequence(QStringLiteral("Ctrl+,")));
    EXPECT_TRUE(Window->tmrUpdateDelayCheck().isActive());
    EXPECT_EQ(Window->Console().Capacity(), TConsoleEdit::kDefaultCapacity);
    EditPreferences([](QDialog& ADialog) {
        EXPECT_EQ(UnnamedControls({&ADialog}), QStringList());
        for (QWidget* control : ADialog.findChildren<QWidget*>()) {
            if (control->focusPolicy() != Qt::NoFocus && !control->accessibleName().isEmpty() &&
                !qobject_cast<QDialogButtonBox*>(control->parentWidget())) {
                EXPECT_FALSE(control->toolTip().isEmpty()) << control->objectName().toStdString();
            }
        }
        EXPECT_TRUE(In<QCheckBox>(ADialog, "chkCheckForUpdates")->isChecked());
        EXPECT_FALSE(In<QCheckBox>(ADialog, "chkColours")->isChecked());
        EXPECT_FALSE(In<QCheckBox>(ADialog, "chkNotifyLogErrors")->isChecked());
        EXPECT_EQ(In<QSpinBox>(ADialog, "spnConsoleCapacity")->value(), 32);
        EXPECT_EQ(In<QComboBox>(ADialog, "cmbLanguage")->currentData().toString(), QString());
    }, false);
    // Cancel writes nothing.
    EXPECT_FALSE(ReadFile(SettingsFile()).contains("[Preferences]"));
}

TEST_F(Preferences, OkStoresAppliesAndTheNextStartKeepsThem) {
    OpenWindow();
    QFont serif(QStringLiteral("DejaVu Serif"));
    serif.setPointSize(15);
    Desktop.FontAnswers = {serif};
    EditPreferences([](QDialog& ADialog) {
        In<QCheckBox>(ADialog, "chkCheckForUpdates")->setChecked(false);
        In<QCheckBox>(ADialog, "chkColours")->setChecked(true);
        In<QPushButton>(ADialog, "btnConsoleFont")->click();
        In<QSpinBox>(ADialog, "spnConsoleCapacity")->setValue(4);
        In<QLineEdit>(ADialog, "edtEditorCommand")->setText(QStringLiteral("  kate --line {line} {file} "));
        In<QCheckBox>(ADialog, "chkNotifyLogErrors")->setChecked(true);
        auto* language = In<QComboBox>(ADialog, "cmbLanguage");
        language->setCurrentIndex(language->findData(QStringLiteral("de")));
    });
    const auto applied = [this] {
        EXPECT_FALSE(Window->tmrUpdateDelayCheck().isActive());
        EXPECT_TRUE(Find<QAction>("menColours")->isChecked());
        EXPECT_EQ(Window->Console().font().family(), QStringLiteral("DejaVu Serif"));
        EXPECT_EQ(Window->Console().Capacity(), qsizetype(4) * 1024 * 1024);
        EXPECT_EQ(Window->Preferences().EditorCommand, QStringLiteral("kate --line {line} {file}"));
        EXPECT_TRUE(Window->Preferences().NotifyLogErrors);
        EXPECT_EQ(Window->Preferences().Language, QStringLiteral("de"));
    };
    applied();
    EXPECT_TRUE(ReadFile(SettingsFile()).contains("[Preferences]\r\nCheckForUpdates=0\r\nColours=1\r\n"));
    OpenWindow();
    applied();

    // View > Colours is the same preference.
    Find<QAction>("menColours")->trigger();
    OpenWindow();
    EXPECT_FALSE(Window->Preferences().Colours);
}

TEST_F(Preferences, ValuesThatDoNotReadBackAreTheDefaultsAndTheOlderColoursKeyCounts) {
    WriteFile(SettingsFile(), "[Settings]\r\nColours=1\r\n[Preferences]\r\nCheckForUpdates=\r\n"
                              "ConsoleCapacityMiB=999999\r\nLanguage=tlh\r\nConsoleFont=,,,\r\n");
    OpenWindow();
    EXPECT_TRUE(Window->Preferences().CheckForUpdates);
    EXPECT_TRUE(Window->Preferences().Colours);
    EXPECT_EQ(Window->Preferences().ConsoleCapacityMiB, TPreferences::kMaxCapacityMiB);
    EXPECT_EQ(Window->Preferences().Language, QString());
    EXPECT_EQ(Window->Preferences().ConsoleFont, QString());
}

}  // namespace
