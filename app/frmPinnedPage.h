#pragma once

#include "app/PinStore.h"

#include <QWidget>

class IDesktop;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;

// The Pinned page: the pins of the selected project and of every project, one a row.
// A click or Enter runs the row's line; its context menu (or the menu key) renames,
// moves and removes it. Every change goes to the store's file at once.
class TfrmPinnedPage : public QWidget {
    Q_OBJECT

public:
    TfrmPinnedPage(TPinStore& AStore, IDesktop& ADesktop, QWidget* AParent = nullptr);

    // Reads the pins again and shows those for AProject.
    void ShowProject(const QString& AProject);
    const QString& Project() const { return FProject; }
    // Adds a pin of ALine, for the shown project or (AAllProjects) for every one.
    bool Pin(const QString& ALine, bool AAllProjects);

    // The row's commands, public for the keyboard and for tests.
    void RunRow(int ARow);
    void RenameRow(int ARow);
    void MoveRow(int ARow, int ADelta);
    void RemoveRow(int ARow);
    // The context menu of a row, built fresh.
    QMenu* RowMenu(int ARow);

signals:
    // A pin was chosen: run this line in the selected project.
    void runRequested(const QString& ALine);
    // A change could not be stored.
    void failed(const QString& AMessage);

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;
    void showEvent(QShowEvent* AEvent) override;

private:
    void Fill();
    void Report(bool AStored);
    QString IdOf(int ARow) const;

    TPinStore& FStore;
    IDesktop& FDesktop;
    QString FProject;
    QList<TPin> FShown;
    bool FPageShown = false;
    QListWidget* lstPins;
    QLabel* lblPinsHint;
};
