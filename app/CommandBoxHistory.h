#pragma once

#include <QObject>
#include <QStringList>

class QAction;
class QCompleter;
class QKeyEvent;
class QLineEdit;
class QStringListModel;

// Gives the command box the lines that ran in the project: Up and Down walk through
// them (Down past the newest brings back what was typed), a drop-down (the box's arrow
// button, or Alt+Down) lists them all, and typing lists those that hold the typed text.
// Enter runs the line as typed, also while the list is open; an entry picked in the list
// with the arrows runs instead.
class TCommandBoxHistory : public QObject {
    Q_OBJECT

public:
    explicit TCommandBoxHistory(QLineEdit& ABox);

    // The lines to offer, newest first; the walk starts again from the typed text.
    void setLines(const QStringList& ALines);
    const QStringList& Lines() const { return FLines; }

    // The arrow that opens the list comes from the desktop's icon theme, whose first
    // look-up reads every folder of the theme: the window asks for it once its start
    // is done, so that it never holds back the first paint.
    void LoadArrowIcon();

    // Opens the list of every line.
    void ShowAll();

    QAction& ShowAction() const { return *FShowAction; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Walk(int AStep);
    // Enter while the list is open: closes it and runs the chosen entry or the typed line.
    void EnterFromList(const QKeyEvent& AKey);

    QLineEdit& FBox;
    QStringList FLines;
    QStringListModel* FModel;
    QCompleter* FCompleter;
    QAction* FShowAction;
    int FIndex = -1;  // the line shown by the walk; -1 for the typed text
    QString FTyped;   // what was typed before the walk began
};
