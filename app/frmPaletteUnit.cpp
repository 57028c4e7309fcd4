#include "app/frmPaletteUnit.h"

#include "app/Accessibility.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

constexpr int kListRole = Qt::UserRole;       // index of the tool's list; -1 on a heading
constexpr int kCommandRole = Qt::UserRole + 1;  // index of the command in its list

QString ToolTitle(TCommandType ATool) {
    return ATool == TCommandType::Artisan ? QStringLiteral("artisan") : QStringLiteral("composer");
}

// A text box for several values: one value per line.
QStringList Lines(const QPlainTextEdit& AEdit) {
    return AEdit.toPlainText().split(u'\n');
}

// Names an editor of the form after its argument or option, with the help and default
// as its tooltip.
void Describe(QWidget& AEditor, const QString& AName, const QString& ADescription, const QString& ADefault) {
    AEditor.setAccessibleName(AName);
    AEditor.setAccessibleDescription(ADescription);
    AEditor.setToolTip(ADescription + (ADefault.isEmpty() ? QString()
                                                          : QCoreApplication::translate("TfrmPalette", "\nDefault: ") +
                                                                ADefault));
}

// A row of the form: the editor behind its label, which shows ATitle as plain text.
void AddLabelledRow(QFormLayout& ALayout, QWidget* AParent, const QString& ATitle, QWidget* AEditor) {
    auto* label = new QLabel(ATitle, AParent);
    label->setTextFormat(Qt::PlainText);
    label->setBuddy(AEditor);
    ALayout.addRow(label, AEditor);
}

}  // namespace

// One field of the form: the widget that holds an argument's or an option's value.
struct TfrmPalette::TField {
    bool IsArgument = true;
    qsizetype Index = 0;  // in the command's arguments or options
    QLineEdit* Line = nullptr;
    QPlainTextEdit* Several = nullptr;
    QCheckBox* Check = nullptr;

    QStringList Values() const {
        if (Line) return {Line->text()};
        if (Several) return Lines(*Several);
        return {};
    }

    QWidget* Editor() const {
        if (Line) return Line;
        if (Several) return Several;
        return Check;
    }

    // Makes the editor of a value: a box of one value a line when ASeveral (ASeveralHint
    // as its placeholder), else a line showing the default as its placeholder.
    QWidget* MakeValueEditor(QWidget* AParent, bool ASeveral, const QString& ASeveralHint,
                             const QString& ADefault) {
        if (ASeveral) {
            Several = new QPlainTextEdit(AParent);
            Several->setTabChangesFocus(true);
            Several->setPlaceholderText(ASeveralHint);
            Several->setMaximumHeight(60);
            return Several;
        }
        Line = new QLineEdit(AParent);
        if (!ADefault.isEmpty()) Line->setPlaceholderText(ADefault);
        return Line;
    }
};

TfrmPalette::TfrmPalette(TCatalogueStore& AStore, QWidget* AParent) : QDialog(AParent), FStore(AStore) {
    setObjectName(QStringLiteral("frmPalette"));
    setWindowTitle(tr("Run Any Command"));
    setAccessibleName(windowTitle());
    resize(860, 560);

    edtSearch = new QLineEdit(this);
    edtSearch->setObjectName(QStringLiteral("edtSearch"));
    edtSearch->setAccessibleName(QStringLiteral("Search commands"));
    edtSearch->setPlaceholderText(tr("Type part of a name or description, e.g. mig st"));
    EnableNamedClearButton(*edtSearch);
    auto* searchLabel = new QLabel(tr("&Search:"), this);
    searchLabel->setBuddy(edtSearch);

    lstCommands = new QListWidget(this);
    lstCommands->setObjectName(QStringLiteral("lstCommands"));
    lstCommands->setAccessibleName(QStringLiteral("Commands"));
    lstCommands->setUniformItemSizes(true);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setAccessibleName(QStringLiteral("Catalogue status"));
    lblStatus->setWordWrap(true);
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    btnRefresh = new QPushButton(tr("Re&fresh"), this);
    btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
    btnRefresh->setAccessibleName(QStringLiteral("Refresh"));
    btnRefresh->setToolTip(tr("Read the project's commands again"));
    btnRefresh->setAutoDefault(false);

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(edtSearch, 1);
    searchRow->addWidget(btnRefresh);
    leftLayout->addLayout(searchRow);
    leftLayout->addWidget(lstCommands, 1);
    leftLayout->addWidget(lblStatus);

    lblCommand = new QLabel(this);
    lblCommand->setObjectName(QStringLiteral("lblCommand"));
    lblCommand->setTextFormat(Qt::PlainText);
    QFont bold = lblCommand->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    lblCommand->setFont(bold);
    lblDescription = new QLabel(this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setAccessibleName(QStringLiteral("Description"));
    lblDescription->setTextFormat(Qt::PlainText);
    lblDescription->setWordWrap(true);
    memHelp = new QPlainTextEdit(this);
    memHelp->setObjectName(QStringLiteral("memHelp"));
    memHelp->setAccessibleName(QStringLiteral("Help"));
    memHelp->setReadOnly(true);
    memHelp->setMaximumHeight(90);
    memHelp->setTabChangesFocus(true);

    panFields = new QWidget(this);
    panFields->setObjectName(QStringLiteral("panFields"));
    FFieldsLayout = new QFormLayout(panFields);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(panFields);
    scroll->setAccessibleName(QStringLiteral("Arguments and options"));

    edtPreview = new QLineEdit(this);
    edtPreview->setObjectName(QStringLiteral("edtPreview"));
    edtPreview->setAccessibleName(QStringLiteral("Command line"));
    edtPreview->setReadOnly(true);
    auto* previewLabel = new QLabel(tr("Command &line:"), this);
    previewLabel->setBuddy(edtPreview);
    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setAccessibleName(QStringLiteral("Form message"));
    lblMessage->setTextFormat(Qt::PlainText);
    lblMessage->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(this);
    btnRunCommand = buttons->addButton(tr("&Run"), QDialogButtonBox::AcceptRole);
    btnRunCommand->setObjectName(QStringLiteral("btnRunCommand"));
    btnRunCommand->setAccessibleName(QStringLiteral("Run"));
    btnRunCommand->setDefault(true);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("btnClose"));
    close->setAutoDefault(false);

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(lblCommand);
    rightLayout->addWidget(lblDescription);
    rightLayout->addWidget(memHelp);
    rightLayout->addWidget(scroll, 1);
    rightLayout->addWidget(previewLabel);
    rightLayout->addWidget(edtPreview);
    rightLayout->addWidget(lblMessage);
    rightLayout->addWidget(buttons);
    AddPinControls(*rightLayout, *buttons);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({330, 530});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);

    connect(edtSearch, &QLineEdit::textChanged, this, &TfrmPalette::ApplyFilter);
    connect(lstCommands, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* current) { ShowCommand(CommandOf(current)); });
    connect(btnRefresh, &QPushButton::clicked, this, &TfrmPalette::RefreshClick);
    connect(btnRunCommand, &QPushButton::clicked, this, &TfrmPalette::RunClick);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(&FStore, &TCatalogueStore::loaded, this, &TfrmPalette::StoreLoaded);
    setTabOrder(edtSearch, lstCommands);
    setTabOrder(lstCommands, memHelp);
    setTabOrder(memHelp, edtPreview);
    setTabOrder(edtPreview, btnRunCommand);
    setTabOrder(btnRunCommand, close);
    setTabOrder(close, btnRefresh);
    // Up and Down in the search box move through the list.
    edtSearch->installEventFilter(this);
    ShowCommand(nullptr);
}

TfrmPalette::~TfrmPalette() = default;

void TfrmPalette::Open(const QString& AProject) {
    FProject = AProject;
    edtSearch->clear();
    if (FProject.isEmpty()) {
        FCatalogue = TProjectCatalogue();
        FillList();
        lblStatus->setText(tr("Choose a project first: its commands are listed here."));
    } else if (const TProjectCatalogue* cached = FStore.Cached(FProject)) {
        FCatalogue = *cached;
        FillList();
    } else {
        FCatalogue = TProjectCatalogue();
        FillList();
        lblStatus->setText(tr("Reading the project's commands…"));
        FStore.Load(FProject);
    }
    show();
    raise();
    activateWindow();
    edtSearch->setFocus();
}

void TfrmPalette::StoreLoaded(const QString& AFolder) {
    if (AFolder != FProject) return;
    if (const TProjectCatalogue* cached = FStore.Cached(FProject)) {
        FCatalogue = *cached;
        FillList();
    }
}

void TfrmPalette::RefreshClick() {
    if (FProject.isEmpty()) return;
    lblStatus->setText(tr("Reading the project's commands…"));
    FStore.Load(FProject, true);
}

void TfrmPalette::FillList() {
    // The catalogue the form pointed into has been replaced.
    FCommand = nullptr;
    const QSignalBlocker quiet(lstCommands);
    lstCommands->clear();
    QStringList status;
    if (!FCatalogue.Notice.isEmpty()) status.append(FCatalogue.Notice);
    for (qsizetype list = 0; list < FCatalogue.Lists.size(); ++list) {
        const TCommandList& commands = FCatalogue.Lists[list];
        if (!commands.Error.isEmpty()) status.append(commands.Error);
        QString group;
        bool first = true;
        for (qsizetype i = 0; i < commands.Commands.size(); ++i) {
            const TCommandInfo& command = commands.Commands[i];
            if (first || command.Namespace != group) {
                first = false;
                group = command.Namespace;
                auto* heading = new QListWidgetItem(
                    ToolTitle(commands.Tool) + (group.isEmpty() ? QString() : u' ' + group), lstCommands);
                heading->setFlags(Qt::ItemIsEnabled);
                QFont font = heading->font();
                font.setBold(true);
                heading->setFont(font);
                heading->setData(kListRole, -1);
            }
            QString text = command.Name;
            if (command.Preset) text += tr("  ★ preset");
            if (!command.Description.isEmpty()) text += QStringLiteral(" \u2014 ") + command.Description;
            auto* item = new QListWidgetItem(text, lstCommands);
            item->setData(kListRole, int(list));
            item->setData(kCommandRole, int(i));
            item->setToolTip(command.Description);
        }
    }
    lblStatus->setText(status.join(QStringLiteral("\n\n")));
    lblStatus->setVisible(!status.isEmpty());
    ApplyFilter();
    // The form always belongs to the highlighted entry of this catalogue: a form of
    // another project or an older reading never stays.
    ShowCommand(CommandOf(lstCommands->currentItem()));
}

const TCommandInfo* TfrmPalette::CommandOf(const QListWidgetItem* AItem) const {
    if (!AItem) return nullptr;
    const int list = AItem->data(kListRole).toInt();
    const int index = AItem->data(kCommandRole).toInt();
    if (list < 0 || list >= FCatalogue.Lists.size()) return nullptr;
    const QList<TCommandInfo>& commands = FCatalogue.Lists[list].Commands;
    return index >= 0 && index < commands.size() ? &commands[index] : nullptr;
}

void TfrmPalette::ApplyFilter() {
    const QStringList words = SearchWords(edtSearch->text());
    QListWidgetItem* best = nullptr;
    int bestScore = -1;
    QListWidgetItem* heading = nullptr;
    bool headingUsed = false;
    const int count = lstCommands->count();
    for (int row = 0; row < count; ++row) {
        QListWidgetItem* item = lstCommands->item(row);
        const TCommandInfo* command = CommandOf(item);
        if (!command) {
            if (heading) heading->setHidden(!headingUsed);
            heading = item;
            headingUsed = false;
            continue;
        }
        const int score = MatchScore(*command, words);
        item->setHidden(score < 0);
        headingUsed = headingUsed || score >= 0;
        if (score > bestScore) {
            bestScore = score;
            best = item;
        }
    }
    if (heading) heading->setHidden(!headingUsed);
    if (best != lstCommands->currentItem()) lstCommands->setCurrentItem(best);
    if (best) lstCommands->scrollToItem(best);
}

void TfrmPalette::ShowCommand(const TCommandInfo* ACommand) {
    FCommand = ACommand;
    FFields.clear();
    while (FFieldsLayout->rowCount() > 0) FFieldsLayout->removeRow(0);
    lblCommand->setText(ACommand ? CommandPrefix(ACommand->Tool) + ACommand->Name : QString());
    lblDescription->setText(ACommand ? ACommand->Description : QString());
    memHelp->setPlainText(ACommand ? ACommand->Help : QString());
    memHelp->setVisible(ACommand && !ACommand->Help.isEmpty() && ACommand->Help != ACommand->Description);
    if (!ACommand) {
        UpdatePreview();
        return;
    }

    // Required arguments first, marked with an asterisk.
    QList<qsizetype> order;
    for (qsizetype i = 0; i < ACommand->Arguments.size(); ++i)
        if (ACommand->Arguments[i].Required) order.append(i);
    for (qsizetype i = 0; i < ACommand->Arguments.size(); ++i)
        if (!ACommand->Arguments[i].Required) order.append(i);
    for (const qsizetype i : order) {
        const TArgumentInfo& argument = ACommand->Arguments[i];
        TField field;
        field.Index = i;
        QWidget* editor = field.MakeValueEditor(panFields, argument.IsArray,
                                                tr("one value per line"), argument.Default);
        Describe(*editor, argument.Name, argument.Description, argument.Default);
        AddLabelledRow(*FFieldsLayout, panFields,
                       argument.Name + (argument.Required ? QStringLiteral(" *") : QString()) + u':', editor);
        FFields.push_back(field);
    }
    for (qsizetype i = 0; i < ACommand->Options.size(); ++i) {
        const TOptionInfo& option = ACommand->Options[i];
        TField field;
        field.IsArgument = false;
        field.Index = i;
        QString title = option.Name;
        if (!option.Shortcut.isEmpty()) title = option.Shortcut + QStringLiteral(", ") + title;
        QWidget* editor;
        if (!option.AcceptValue) {
            field.Check = new QCheckBox(title, panFields);
            editor = field.Check;
        } else {
            const QString severalHint =
                option.Default.isEmpty() ? tr("one value per line") : option.Default;
            editor = field.MakeValueEditor(panFields, option.IsMultiple, severalHint, option.Default);
        }
        Describe(*editor, option.Name, option.Description, option.Default);
        if (field.Check) {
            auto* description = new QLabel(option.Description, panFields);
            description->setTextFormat(Qt::PlainText);
            description->setWordWrap(true);
            description->setEnabled(false);
            FFieldsLayout->addRow(editor, description);
        } else {
            AddLabelledRow(*FFieldsLayout, panFields, title + u':', editor);
        }
        FFields.push_back(field);
    }
    // Keyboard order: search, list, the fields in the form's order, then the rest.
    QWidget* previous = lstCommands;
    for (const TField& field : FFields) {
        setTabOrder(previous, field.Editor());
        previous = field.Editor();
    }
    setTabOrder(previous, memHelp);
    for (const TField& field : FFields) {
        if (field.Line) connect(field.Line, &QLineEdit::textChanged, this, &TfrmPalette::UpdatePreview);
        if (field.Several) connect(field.Several, &QPlainTextEdit::textChanged, this, &TfrmPalette::UpdatePreview);
        if (field.Check) connect(field.Check, &QCheckBox::toggled, this, &TfrmPalette::UpdatePreview);
    }
    UpdatePreview();
}

TCommandValues TfrmPalette::Values() const {
    TCommandValues values;
    values.Arguments.resize(FCommand->Arguments.size());
    values.Flags.resize(FCommand->Options.size());
    values.OptionValues.resize(FCommand->Options.size());
    for (const TField& field : FFields) {
        if (field.IsArgument) values.Arguments[field.Index] = field.Values();
        else if (field.Check) values.Flags[field.Index] = field.Check->isChecked();
        else values.OptionValues[field.Index] = field.Values();
    }
    return values;
}

QString TfrmPalette::CommandLine() const {
    if (!FCommand) return QString();
    const TCommandValues values = Values();
    if (!MissingArgument(*FCommand, values).isEmpty()) return QString();
    const std::optional<QString> built = BuildCommandLine(*FCommand, values, ToolQuoting(FCommand->Tool).Quote);
    return built ? Finished(*built) : QString();
}

void TfrmPalette::setLineFinisher(std::function<QString(const QString&)> AFinisher) {
    FLineFinisher = std::move(AFinisher);
    UpdatePreview();
}

QString TfrmPalette::Finished(const QString& ALine) const { return FLineFinisher ? FLineFinisher(ALine) : ALine; }

void TfrmPalette::UpdatePreview() {
    QString message;
    QString line;
    if (FCommand) {
        const TCommandValues values = Values();
        const TToolQuoting quoting = ToolQuoting(FCommand->Tool);
        const std::optional<QString> built = BuildCommandLine(*FCommand, values, quoting.Quote);
        line = built ? Finished(*built) : QString();
        const QString missing = MissingArgument(*FCommand, values);
        if (!built) message = quoting.Refusal;
        else if (!missing.isEmpty()) message = tr("Fill in the required argument \"%1\".").arg(missing);
    } else {
        message = tr("Choose a command from the list.");
    }
    edtPreview->setText(line);
    lblMessage->setText(message);
    btnRunCommand->setEnabled(FCommand && message.isEmpty());
    if (btnPin) btnPin->setEnabled(btnRunCommand->isEnabled());
}

void TfrmPalette::ShowRefusal(const QString& AText) {
    show();
    raise();
    activateWindow();
    lblMessage->setText(AText);
}

bool TfrmPalette::eventFilter(QObject* AWatched, QEvent* AEvent) {
    if (AWatched == edtSearch && AEvent->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(AEvent)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
            QCoreApplication::sendEvent(lstCommands, AEvent);
            return true;
        }
    }
    return QDialog::eventFilter(AWatched, AEvent);
}

void TfrmPalette::RunClick() {
    const QString line = CommandLine();
    if (line.isEmpty()) return;
    hide();
    emit runRequested(line);
}

// "Pin for" (this project or all projects) and Pin, in a row above Run.
void TfrmPalette::AddPinControls(QVBoxLayout& ALayout, QDialogButtonBox& AButtons) {
    cmbPinScope = new QComboBox(this);
    cmbPinScope->setObjectName(QStringLiteral("cmbPinScope"));
    cmbPinScope->setAccessibleName(QStringLiteral("Pin for"));
    cmbPinScope->addItems({tr("This project"), tr("All projects")});
    auto* scopeLabel = new QLabel(tr("Pi&n for:"), this);
    scopeLabel->setBuddy(cmbPinScope);
    btnPin = AButtons.addButton(tr("&Pin"), QDialogButtonBox::ActionRole);
    btnPin->setObjectName(QStringLiteral("btnPin"));
    btnPin->setAccessibleName(QStringLiteral("Pin"));
    btnPin->setToolTip(tr("Keep this command line on the Pinned page, one click away"));
    btnPin->setAutoDefault(false);
    btnPin->setEnabled(btnRunCommand->isEnabled());
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(scopeLabel);
    row->addWidget(cmbPinScope);
    ALayout.insertLayout(ALayout.indexOf(&AButtons), row);
    setTabOrder(btnRunCommand, cmbPinScope);
    setTabOrder(cmbPinScope, btnPin);
    connect(btnPin, &QPushButton::clicked, this, &TfrmPalette::PinClick);
}

QString TfrmPalette::FormLine() const {
    if (!FCommand) return QString();
    const TCommandValues values = Values();
    if (!MissingArgument(*FCommand, values).isEmpty()) return QString();
    const std::optional<QString> built = BuildCommandLine(*FCommand, values, SystemQuoting());
    return built ? *built : QString();
}

void TfrmPalette::PinClick() {
    const QString line = FormLine();
    if (line.isEmpty()) return;
    const bool all = cmbPinScope->currentIndex() == 1;
    // Said before the request goes: a pin that cannot be stored replaces this with why.
    lblMessage->setText((all ? tr("Pinned for all projects: %1") : tr("Pinned for this project: %1")).arg(line));
    emit pinRequested(line, all);
}
