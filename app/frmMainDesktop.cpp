// The main window's desktop habits: the Help menu (documentation on F1, the keyboard
// shortcuts, About), the platform's quit key, and the window's layout kept between starts.

#include "app/Desktop.h"
#include "app/dtmMainUnit.h"
#include "app/frmMainUnit.h"
#include "app/ConsoleEdit.h"
#include "app/Fonts.h"
#include "app/frmPaletteUnit.h"
#include "app/frmPreferencesUnit.h"
#include "platform/DesktopKeys.h"
#include "ui_frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QSplitter>
#include <QTableWidget>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr const char* kLayoutSection = "Layout";

// Keys that no menu item shows: the window's and the command box's own.
const struct {
    const char* Keys;
    const char* Does;
} kWindowKeys[] = {
    {QT_TRANSLATE_NOOP("TfrmMain", "Enter"),
     QT_TRANSLATE_NOOP("TfrmMain", "Run the command in the command box (or press the focused button)")},
    {QT_TRANSLATE_NOOP("TfrmMain", "Esc"),
     QT_TRANSLATE_NOOP("TfrmMain", "Stop the running command")},
    {QT_TRANSLATE_NOOP("TfrmMain", "Up, Down"),
     QT_TRANSLATE_NOOP("TfrmMain", "Walk through the project's earlier command lines")},
    {QT_TRANSLATE_NOOP("TfrmMain", "Alt+Down"),
     QT_TRANSLATE_NOOP("TfrmMain", "List the project's earlier command lines")},
    {QT_TRANSLATE_NOOP("TfrmMain", "Ctrl+R"),
     QT_TRANSLATE_NOOP("TfrmMain", "Read the project list again")},
    {QT_TRANSLATE_NOOP("TfrmMain", "F3, Shift+F3"),
     QT_TRANSLATE_NOOP("TfrmMain", "Find the next or previous match")},
};

QAction* AddHelpItem(QMenu& AMenu, const char* AName, const QString& AText, const QKeySequence& AKeys = {}) {
    QAction* action = AMenu.addAction(AText);
    action->setObjectName(QString::fromLatin1(AName));
    action->setShortcut(AKeys);
    return action;
}

// "&Find…" as a reader sees it: "Find…".
QString PlainMenuText(QString AText) {
    AText.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return AText.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

}  // namespace

// What the empty console says until a root is chosen.
const char* const kWelcome = QT_TRANSLATE_NOOP("TfrmMain",
    "Welcome to Tarnwick: it runs php artisan and composer commands in your Laravel projects.\n\n"
    "Choose the folder that holds your Laravel projects with Browse…, then pick a project "
    "from the list and click a command, or type one and press Enter.\n\n"
    "Ctrl+Shift+P\tevery command of the project, with a form\n"
    "Esc\tstop the running command\n"
    "Ctrl+F\tfind in the console\n"
    "F1\tthe documentation");

const QString TfrmMain::kDocumentationAddress = TfrmMain::kSiteAddress + QStringLiteral("readme");

void TfrmMain::SetUpDesktopHabits() {
    // Ctrl+Q where the desktop quits with it; Windows keeps Alt+F4.
    ui->menExit->setShortcut(QKeySequence(QString::fromLatin1(platform::QuitKeys())));

    auto* help = new QMenu(tr("&Help"), ui->menMain);
    help->setObjectName(QStringLiteral("Help1"));
    ui->menMain->addMenu(help);
    QAction* documentation =
        AddHelpItem(*help, "menDocumentation", tr("&Documentation"), QKeySequence::HelpContents);
    QAction* shortcuts = AddHelpItem(*help, "menKeyboardShortcuts", tr("&Keyboard Shortcuts"));
    help->addSeparator()->setObjectName(QStringLiteral("N4"));
    QAction* about = AddHelpItem(*help, "menAbout", tr("&About Tarnwick"));
    about->setMenuRole(QAction::AboutRole);
    connect(documentation, &QAction::triggered, this, Guarded(&TfrmMain::OpenDocumentation));
    connect(shortcuts, &QAction::triggered, this, Guarded(&TfrmMain::ShowKeyboardShortcuts));
    connect(about, &QAction::triggered, this, Guarded(&TfrmMain::ShowAbout));

    // Edit > Preferences… closes the Edit menu.
    if (auto* edit = ui->menMain->findChild<QMenu*>(QStringLiteral("Edit1"))) {
        edit->addSeparator()->setObjectName(QStringLiteral("N5"));
        QAction* preferences = AddHelpItem(*edit, "menPreferences", tr("Pr&eferences…"),
                                           QKeySequence(Qt::CTRL | Qt::Key_Comma));
        preferences->setMenuRole(QAction::PreferencesRole);
        connect(preferences, &QAction::triggered, this, Guarded(&TfrmMain::ShowPreferences));
    }
}

void TfrmMain::ShowPreferences() {
    TfrmPreferences dialog(FPreferences, FDesktop, this);
    FDesktop.ShowModal(dialog);
    if (dialog.result() == QDialog::Accepted) SetPreferences(dialog.Edited());
}

void TfrmMain::SetPreferences(const TPreferences& APreferences) {
    const TPreferences stored = std::exchange(FPreferences, APreferences);
    ReportSettingsSaved(FPreferences.Save(FdtmMain.iniFileParser, stored));
    ApplyPreferences();
}

void TfrmMain::ApplyPreferences() {
    {
        const QSignalBlocker quiet(FmenColours);
        FmenColours->setChecked(FPreferences.Colours);
    }
    {
        const QSignalBlocker quiet(FmenTerminal);
        FmenTerminal->setChecked(FPreferences.Terminal);
    }
    QFont font = ConsoleFont();
    if (!FPreferences.ConsoleFont.isEmpty()) font.fromString(FPreferences.ConsoleFont);
    Console().setFont(font);
    Console().setCapacity(qsizetype(FPreferences.ConsoleCapacityMiB) * 1024 * 1024);
    FollowConsoleSize();  // the font sets how many characters fit
    if (FfrmPalette) FfrmPalette->UpdatePreview();  // Colours change the line it shows
    // The automatic check waits for its time only while it is wanted.
    if (!FPreferences.CheckForUpdates) FtmrUpdateDelayCheck->stop();
}

QString TfrmMain::DocumentationAddress() const {
    // An installed copy has the README in PREFIX/share/doc/tarnwick beside its bin folder.
    const QFileInfo installed(FEnvironment.ProgramFolder() + QStringLiteral("../share/doc/tarnwick/README.md"));
    if (FEnvironment.IsInstalledCopy() && installed.isFile())
        return QUrl::fromLocalFile(installed.canonicalFilePath()).toString();
    return kDocumentationAddress;
}

void TfrmMain::OpenDocumentation() { FDesktop.OpenUrl(DocumentationAddress()); }

void TfrmMain::ShowKeyboardShortcuts() {
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("frmShortcuts"));
    dialog.setWindowTitle(tr("Keyboard Shortcuts"));
    auto* table = new QTableWidget(0, 2, &dialog);
    table->setObjectName(QStringLiteral("tblShortcuts"));
    table->setAccessibleName(QStringLiteral("Keyboard shortcuts"));
    table->setHorizontalHeaderLabels({tr("Keys"), tr("What they do")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    const auto addRow = [table](const QString& AKeys, const QString& ADoes) {
        const int row = table->rowCount();
        table->insertRow(row);
        table->setItem(row, 0, new QTableWidgetItem(AKeys));
        table->setItem(row, 1, new QTableWidgetItem(ADoes));
    };
    // The menus' items with keys, as the menus show them, so the table cannot go stale.
    for (QAction* menu : ui->menMain->actions()) {
        if (!menu->menu()) continue;
        for (QAction* item : menu->menu()->actions())
            if (!item->isSeparator() && !item->shortcut().isEmpty())
                addRow(item->shortcut().toString(QKeySequence::NativeText),
                       PlainMenuText(menu->text()) + QStringLiteral(" > ") + PlainMenuText(item->text()));
    }
    for (const auto& key : kWindowKeys)
        addRow(tr(key.Keys), tr(key.Does));
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(table);
    layout->addWidget(buttons);
    dialog.resize(560, 420);
    FDesktop.ShowModal(dialog);
}

void TfrmMain::ShowAbout() {
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("frmAbout"));
    dialog.setWindowTitle(tr("About Tarnwick"));
    auto* icon = new QLabel(&dialog);
    icon->setPixmap(windowIcon().pixmap(64, 64));
    icon->setAccessibleName(QStringLiteral("Tarnwick"));
    auto* title = new QLabel(QStringLiteral("Tarnwick 2 ") + QString::fromStdString(FdtmMain.kelvoVersion.FileVersion()),
                             &dialog);
    title->setObjectName(QStringLiteral("lblAboutVersion"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    title->setFont(big);
    auto* text = new QLabel(
        tr("Runs the framework's command-line tool and Composer in your Laravel projects.\n\n") +
            tr(kCopyrightNotice.toUtf8().constData()) +
            tr(".\nThe program is the Tarnwick developers' own work; it uses the Qt libraries "
                           "(LGPL 3) and, for the update check, libcurl."),
        &dialog);
    text->setObjectName(QStringLiteral("lblAboutText"));
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* site = new QPushButton(kSiteAddress, &dialog);
    site->setObjectName(QStringLiteral("btnAboutSite"));
    site->setAccessibleName(QStringLiteral("Open the site"));
    site->setFlat(true);
    connect(site, &QPushButton::clicked, this, [this] { FDesktop.OpenUrl(kSiteAddress); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton* aboutQt = buttons->addButton(tr("About &Qt"), QDialogButtonBox::HelpRole);
    aboutQt->setObjectName(QStringLiteral("btnAboutQt"));
    connect(aboutQt, &QPushButton::clicked, &dialog, [&dialog] { QApplication::aboutQt(); });
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(text);
    layout->addWidget(site, 0, Qt::AlignHCenter);
    layout->addWidget(buttons);
    FDesktop.ShowModal(dialog);
}

bool TfrmMain::RestoreLayout() {
    TIniFileParser& settings = FdtmMain.iniFileParser;
    const QString page = QString::fromStdString(settings.ReadVal(kLayoutSection, "Page", ""));
    for (int index = 0; index < ui->pgMain->count(); ++index)
        if (!page.isEmpty() && ui->pgMain->widget(index)->objectName() == page) ui->pgMain->setCurrentIndex(index);

    QList<int> sizes;
    for (const QString& size : QString::fromStdString(settings.ReadVal(kLayoutSection, "Splitter", "")).split(u','))
        if (bool number = false; size.toInt(&number) >= 0 && number) sizes.append(size.toInt());
    if (sizes.size() == ui->Splitter1->count()) ui->Splitter1->setSizes(sizes);

    const QByteArray geometry =
        QByteArray::fromBase64(QByteArray::fromStdString(settings.ReadVal(kLayoutSection, "Geometry", "")));
    return !geometry.isEmpty() && restoreGeometry(geometry);
}

void TfrmMain::SaveLayout() {
    TIniFileParser& settings = FdtmMain.iniFileParser;
    QStringList sizes;
    for (const int size : ui->Splitter1->sizes()) sizes.append(QString::number(size));
    const bool saved =
        settings.WriteVal(kLayoutSection, "Geometry", saveGeometry().toBase64().toStdString()) &&
        settings.WriteVal(kLayoutSection, "Splitter", sizes.join(u',').toStdString()) &&
        settings.WriteVal(kLayoutSection, "Page", ui->pgMain->currentWidget()->objectName().toStdString());
    ReportSettingsSaved(saved);
}

void TfrmMain::ShowWelcomeIfNew() {
    // A placeholder, not text: the console itself stays empty, and the first output or a
    // chosen root takes it away.
    Console().setPlaceholderText(sRoot().isEmpty() ? tr(kWelcome) : QString());
}

bool TfrmMain::IsLaravelProject(const QString& AFolder) {
    return QFileInfo(AFolder + QStringLiteral("/artisan")).isFile();
}

void TfrmMain::ChooseFirstProject() {
    QComboBox& list = *ui->cmbProjects;
    int firstLaravel = -1;
    for (int index = 0; index < list.count() && firstLaravel < 0; ++index)
        if (IsLaravelProject(list.itemText(index))) firstLaravel = index;
    if (firstLaravel < 0) {
        ui->sbMain->showMessage(
            list.count() == 0
                ? tr("%1 has no sub-folders: choose the folder that holds your Laravel projects.")
                      .arg(QDir::toNativeSeparators(sRoot()))
                : tr("None of the %1 folders in %2 has an artisan file: is it the folder that "
                                 "holds your Laravel projects?")
                      .arg(list.count())
                      .arg(QDir::toNativeSeparators(sRoot())));
        return;
    }
    // A stored project stays the choice until the user makes another.
    if (list.currentIndex() >= 0 || !sActiveProject().isEmpty()) return;
    list.setCurrentIndex(firstLaravel);
    cmbProjectsChange();
}
