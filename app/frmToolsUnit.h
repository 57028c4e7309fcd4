#pragma once

#include "components/ProjectTools.h"

#include <QDialog>
#include <QObject>
#include <QString>

#include <thread>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Detects one project's tools on a worker and hands the result back on the owner's
// thread. Waits for the worker when destroyed.
class TToolsDetector : public QObject {
    Q_OBJECT

public:
    explicit TToolsDetector(QString AProjectFolder, QObject* parent = nullptr);
    ~TToolsDetector() override;
    const QString& ProjectFolder() const { return FProjectFolder; }
    void Start();

signals:
    void detected(const TToolsDetection& AFound);

private:
    QString FProjectFolder;
    std::thread FWorker;
};

// Runs the three check lines of a set of tools in a project on a worker, one result
// at a time back on the owner's thread.
class TToolsCheck : public QObject {
    Q_OBJECT

public:
    TToolsCheck(const TProjectTools& ATools, QString AProjectFolder, QObject* parent = nullptr);
    ~TToolsCheck() override;
    void Start();

    // The lines checked, as typed for the runner.
    static const char* const kCheckLines[3];

signals:
    // ALine is the line that ran; AExitCode -1 when it could not start.
    void checked(const QString& ALine, const QString& AOutput, int AExitCode);
    void finished();

private:
    TProjectTools FTools;
    QString FProjectFolder;
    std::thread FWorker;
};

// Project > Tools…: the project's PHP and Composer programs, the route its commands
// take, extra environment variables, and Check, which runs the check lines the way the
// commands run.
class TfrmTools : public QDialog {
    Q_OBJECT

public:
    TfrmTools(const QString& AProjectFolder, const TProjectTools& ATools, const QString& ADetected,
              QWidget* parent = nullptr);
    ~TfrmTools() override;

    TProjectTools Tools() const;
    void setTools(const TProjectTools& ATools);
    // The text Check has written so far.
    QString CheckResults() const;
    bool IsChecking() const { return FCheck != nullptr; }

    void btnCheckClick();

signals:
    void checkFinished();

private:
    void UpdateServiceEnabled();

    QString FProjectFolder;
    QLineEdit* FedtPhp;
    QLineEdit* FedtComposer;
    QComboBox* FcmbRoute;
    QLineEdit* FedtService;
    QPlainTextEdit* FmemEnvironment;
    QPushButton* FbtnCheck;
    QPlainTextEdit* FmemResults;
    TToolsCheck* FCheck = nullptr;
};
