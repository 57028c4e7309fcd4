#include "app/frmPreferencesUnit.h"

#include "app/Desktop.h"
#include "app/Fonts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// A control's name for screen readers and its tooltip.
template <typename TWidget>
TWidget* Described(TWidget* AWidget, const char* AName, const QString& AAccessibleName, const QString& ATip) {
    AWidget->setObjectName(QString::fromLatin1(AName));
    AWidget->setAccessibleName(AAccessibleName);
    AWidget->setToolTip(ATip);
    return AWidget;
}

}  // namespace

const QList<QPair<QString, QString>>& TfrmPreferences::Languages() {
    static const QList<QPair<QString, QString>> languages = {
        {QString(), QStringLiteral(QT_TR_NOOP("System default"))},
        {QStringLiteral("en"), QStringLiteral("English")},
        {QStringLiteral("de"), QStringLiteral("Deutsch")},
    };
    return languages;
}

TfrmPreferences::TfrmPreferences(const TPreferences& APreferences, IDesktop& ADesktop, QWidget* parent)
    : QDialog(parent), FDesktop(ADesktop), FEdited(APreferences) {
    setObjectName(QStringLiteral("frmPreferences"));
    setWindowTitle(tr("Preferences"));

    FchkCheckForUpdates = Described(new QCheckBox(tr("&Look for a newer version after the start"), this),
                                    "chkCheckForUpdates", QStringLiteral("Look for a newer version after the start"),
                                    tr("Ten seconds after the start, ask the web site whether a newer "
                                                   "version exists (File > Check for Updates always can)"));
    FchkColours = Described(new QCheckBox(tr("&Coloured output from the preset buttons"), this),
                            "chkColours", QStringLiteral("Coloured output from the preset buttons"),
                            tr("The preset buttons add the tools' --ansi option (View > Colours)"));

    FlblFont = new QLabel(this);
    FlblFont->setObjectName(QStringLiteral("lblConsoleFont"));
    auto* chooseFont = Described(new QPushButton(tr("C&hoose…"), this), "btnConsoleFont",
                                 QStringLiteral("Choose the console font"),
                                 tr("The font the console writes in"));
    auto* defaultFont = Described(new QPushButton(tr("&Default"), this), "btnConsoleFontDefault",
                                  QStringLiteral("Default console font"),
                                  tr("Tahoma where it is installed, else the system's fixed-width font"));
    connect(chooseFont, &QPushButton::clicked, this, &TfrmPreferences::ChooseFont);
    connect(defaultFont, &QPushButton::clicked, this, [this] {
        FEdited.ConsoleFont.clear();
        ShowFont();
    });
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(FlblFont, 1);
    fontRow->addWidget(chooseFont);
    fontRow->addWidget(defaultFont);

    FspnCapacity = Described(new QSpinBox(this), "spnConsoleCapacity", QStringLiteral("Console capacity"),
                             tr("How much text the console keeps; past it the oldest text leaves"));
    FspnCapacity->setRange(TPreferences::kMinCapacityMiB, TPreferences::kMaxCapacityMiB);
    FspnCapacity->setSuffix(tr(" Mi characters"));
    FspnCapacity->setValue(APreferences.ConsoleCapacityMiB);

    FedtEditor = Described(new QLineEdit(APreferences.EditorCommand, this), "edtEditorCommand",
                           QStringLiteral("Editor command"),
                           tr("The command line that opens a file at a line, for example "
                                          "code --goto {file}:{line}; empty: the desktop's opener"));
    FedtEditor->setPlaceholderText(tr("the desktop's opener"));
    FchkNotifyLogErrors = Described(new QCheckBox(tr("&Notify of new log errors while the log viewer is inactive"), this),
                                    "chkNotifyLogErrors", QStringLiteral("Notify of new log errors"),
                                    tr("A new ERROR, CRITICAL, ALERT or EMERGENCY entry in a followed log "
                                       "shows a desktop notification while the log viewer is not the active window"));
    FchkNotifyLogErrors->setChecked(APreferences.NotifyLogErrors);

    FcmbLanguage = Described(new QComboBox(this), "cmbLanguage", QStringLiteral("Language"),
                             tr("The language of the program's texts, from the next start"));
    for (const auto& [value, name] : Languages()) FcmbLanguage->addItem(tr(name.toUtf8().constData()), value);
    FcmbLanguage->setCurrentIndex(std::max(0, FcmbLanguage->findData(APreferences.Language)));

    FchkCheckForUpdates->setChecked(APreferences.CheckForUpdates);
    FchkColours->setChecked(APreferences.Colours);
    ShowFont();

    auto* form = new QFormLayout;
    form->addRow(FchkCheckForUpdates);
    form->addRow(FchkColours);
    auto* fontLabel = new QLabel(tr("Console &font:"), this);
    fontLabel->setBuddy(chooseFont);
    form->addRow(fontLabel, fontRow);
    form->addRow(tr("Console &holds at most:"), FspnCapacity);
    form->addRow(tr("&Editor command:"), FedtEditor);
    form->addRow(FchkNotifyLogErrors);
    form->addRow(tr("L&anguage:"), FcmbLanguage);
    auto* languageNote = new QLabel(tr("A new language shows from the next start."), this);
    languageNote->setObjectName(QStringLiteral("lblLanguageNote"));
    form->addRow(QString(), languageNote);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("btnsPreferences"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

TPreferences TfrmPreferences::Edited() const {
    TPreferences edited = FEdited;
    edited.CheckForUpdates = FchkCheckForUpdates->isChecked();
    edited.Colours = FchkColours->isChecked();
    edited.ConsoleCapacityMiB = FspnCapacity->value();
    edited.EditorCommand = FedtEditor->text().trimmed();
    edited.NotifyLogErrors = FchkNotifyLogErrors->isChecked();
    edited.Language = FcmbLanguage->currentData().toString();
    return edited;
}

void TfrmPreferences::ShowFont() {
    QFont font = ConsoleFont();
    if (!FEdited.ConsoleFont.isEmpty()) font.fromString(FEdited.ConsoleFont);
    const QString size = font.pointSize() > 0 ? QString::number(font.pointSize()) + QStringLiteral(" pt")
                                              : QString::number(font.pixelSize()) + QStringLiteral(" px");
    FlblFont->setText(font.family() + u' ' + size +
                      (FEdited.ConsoleFont.isEmpty() ? tr(" (default)") : QString()));
}

void TfrmPreferences::ChooseFont() {
    QFont font = ConsoleFont();
    if (!FEdited.ConsoleFont.isEmpty()) font.fromString(FEdited.ConsoleFont);
    if (!FDesktop.ChooseFont(this, tr("Console Font"), font)) return;
    FEdited.ConsoleFont = font.toString();
    ShowFont();
}
