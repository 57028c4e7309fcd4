#pragma once

#include <QString>

class IDesktop;
class QWidget;

// The folder chooser: a modal browser in which only folders can be chosen, with no
// folder preselected.
class TSelectDirectory {
public:
    explicit TSelectDirectory(IDesktop& desktop) : FDesktop(desktop) {}

    bool ClassicDialog() const { return FClassicDialog; }
    void setClassicDialog(bool value) { FClassicDialog = value; }

    // Runs the chooser over `parent`. True when a folder was chosen; it is then in
    // Directory().
    bool Execute(QWidget* parent);
    const QString& Directory() const { return FDirectory; }

private:
    IDesktop& FDesktop;
    bool FClassicDialog = true;
    QString FDirectory;
};
