#pragma once

#include "app/CatalogueStore.h"

#include <QDialog>

#include <functional>

#include <memory>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;
class QWidget;

// The command palette: every command of the selected project (artisan first, then
// Composer, grouped by namespace), searched as the user types, and a form for the chosen
// one with a live preview of the exact command line that Run hands on.
class TfrmPalette : public QDialog {
    Q_OBJECT

public:
    explicit TfrmPalette(TCatalogueStore& AStore, QWidget* AParent = nullptr);
    ~TfrmPalette() override;

    // Shows the palette for the project folder, with its kept catalogue at once, or
    // reads it first.
    void Open(const QString& AProject);

    // The command line the form gives now, as it will run (after the line finisher);
    // empty while it cannot run.
    QString CommandLine() const;
    // The form's line before the line finisher; empty while it cannot run. This is what
    // a pin keeps: the finisher applies again each time it runs.
    QString FormLine() const;

    // Turns the form's line into the line that really runs (for example with the tools'
    // colour option); the preview shows the result. None: the line runs as built.
    void setLineFinisher(std::function<QString(const QString&)> AFinisher);
    // Builds the preview again, for example after the finisher's result changed.
    void UpdatePreview();

    // Shows the palette again with its form and a note on why the line did not run.
    void ShowRefusal(const QString& AText);

    // Filters the list by the words of the search box's text; public for the benchmark.
    void ApplyFilter();

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

signals:
    // The user pressed Run: run this whole command line in the project.
    void runRequested(const QString& ACommandLine);
    // The user pressed Pin: keep the form's line (FormLine) one click away, for the
    // project or (AAllProjects) for every project.
    void pinRequested(const QString& ALine, bool AAllProjects);

private:
    struct TField;

    void FillList();
    QString Finished(const QString& ALine) const;
    void ShowCommand(const TCommandInfo* ACommand);
    TCommandValues Values() const;
    void RunClick();
    void AddPinControls(QVBoxLayout& ALayout, QDialogButtonBox& AButtons);
    void PinClick();
    void RefreshClick();
    void StoreLoaded(const QString& AFolder);
    const TCommandInfo* CommandOf(const QListWidgetItem* AItem) const;

    TCatalogueStore& FStore;
    QString FProject;
    TProjectCatalogue FCatalogue;
    const TCommandInfo* FCommand = nullptr;
    std::function<QString(const QString&)> FLineFinisher;
    std::vector<TField> FFields;

    QLineEdit* edtSearch;
    QListWidget* lstCommands;
    QLabel* lblStatus;
    QPushButton* btnRefresh;
    QLabel* lblCommand;
    QLabel* lblDescription;
    QPlainTextEdit* memHelp;
    QWidget* panFields;
    QFormLayout* FFieldsLayout;
    QLineEdit* edtPreview;
    QLabel* lblMessage;
    QPushButton* btnRunCommand;
    QComboBox* cmbPinScope = nullptr;
    QPushButton* btnPin = nullptr;
};
