#pragma once

#include "components/LaravelLog.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// A Laravel log file as a table of entries (time, environment, level, message) whose
// context and trace fold open beneath them. The file is indexed by entry offsets and
// read on demand; Follow watches it and reads on from the last offset.
class TfrmLogViewer : public QWidget {
    Q_OBJECT
public:
    // AConfirm asks before the file is emptied; true goes ahead.
    TfrmLogViewer(const QString& AFile, std::function<bool(const QString&)> AConfirm, QWidget* AParent = nullptr);

    // Opens a file at a line: a frame of a trace that points into the project, activated
    // (double click or Enter).
    void SetOpenAt(std::function<void(const QString& AFile, int ALine)> AOpenAt) { FOpenAt = std::move(AOpenAt); }
    // Tells of a new entry of level ERROR or worse that Follow reads while this window is
    // not the active one.
    void SetNotify(std::function<void(const QString& ALevel, const QString& AMessage)> ANotify) {
        FNotify = std::move(ANotify);
    }
    // Reads the file again from scratch.
    void Reload();
    // Reads what was written since the last look.
    void ReadOn();

private:
    void AddEntry(std::size_t AIndex);
    void ApplyFilter();
    void SetFollow(bool AOn);
    void ClearLog();
    void ShowState();

    TLogIndex FIndex;
    std::function<bool(const QString&)> FConfirm;
    std::function<void(const QString&, int)> FOpenAt;
    std::function<void(const QString&, const QString&)> FNotify;
    QTreeWidget* FtrvEntries;
    QLineEdit* FedtFilter;
    QLineEdit* FedtFrom;
    QLineEdit* FedtTo;
    QComboBox* FcmbLevel;
    QCheckBox* FchkExactly;
    QCheckBox* FchkFollow;
    QPushButton* FbtnClear;
    QPushButton* FbtnEarlier;
    QLabel* FlblState;
    QFileSystemWatcher* FWatcher = nullptr;
};
