#pragma once

#include "components/ProjectTools.h"

#include <QHash>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TConsoleEdit;
class TServiceRun;

// The Services board: the selected project's services with their states and output, and
// below them the running services of other projects. Services keep running when another
// project is selected; they end when the board goes (their process trees with them).
class TfrmServices : public QWidget {
    Q_OBJECT

public:
    // AOpenUrl opens an address in the browser.
    explicit TfrmServices(std::function<void(const QString&)> AOpenUrl, QWidget* AParent = nullptr);
    ~TfrmServices() override;

    // Shows the services of AProject (empty: none), run through ATools.
    void SetProject(const QString& AProject, const TProjectTools& ATools);
    // Services that run or wait to restart, as "project: name" lines.
    QStringList ActiveServices() const;
    // Stops every service of every project and waits for their process trees.
    void StopAllAndWait();
    TServiceRun* Service(const QString& AProject, const QString& AKey) const;
    // Gives the keyboard to the list of services.
    void FocusList();

    // The board's own output views keep at most this many characters per service.
    static constexpr qsizetype kOutputCapacity = qsizetype(2) * 1024 * 1024;

signals:
    // A service ended on its last attempt ("project: name").
    void serviceGaveUp(const QString& AService);

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    struct TEntry {
        TServiceRun* Run = nullptr;
        TConsoleEdit* Output = nullptr;
        QTreeWidgetItem* Item = nullptr;
    };

    void FindServices();
    void StartSelected();
    TEntry* Selected() const;
    void Refresh();
    void RefreshItem(TEntry& AEntry);
    void SelectionChanged();
    QString EntryKey(const QString& AProject, const QString& AKey) const { return AProject + u'\n' + AKey; }

    std::function<void(const QString&)> FOpenUrl;
    QString FProject;
    TProjectTools FTools;
    QHash<QString, TEntry> FEntries;  // by project and key
    QStringList FOrder;               // the keys of FEntries in the order they were found
    QLabel* FlblProject;
    QTreeWidget* FtrvServices;
    QTreeWidgetItem* FThisProject;
    QTreeWidgetItem* FOtherProjects;
    QLabel* FlblProblems;
    QPushButton* FbtnStart;
    QPushButton* FbtnStop;
    QPushButton* FbtnRestart;
    QPushButton* FbtnOpen;
    QPushButton* FbtnStartAll;
    QPushButton* FbtnStopAll;
    QLabel* FlblRunLine;
    QStackedWidget* FstkOutput;
    QTimer FTick;  // counts down restarts on the board
};
