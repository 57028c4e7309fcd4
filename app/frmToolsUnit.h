#pragma once

#include "components/ProjectTools.h"
#include "components/RunRequest.h"

#include <QDialog>
#include <QObject>
#include <QString>

#include <memory>

class QComboBox;
class TBackgroundJobs;
class TJobStop;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Detects one project's tools on a worker and hands the result back on the owner's
// thread. Stop, or destroying it, ends the detection's probes without waiting for them.
class TToolsDetector : public QObject {
    Q_OBJECT

public:
    // The job runs on AJobs (the window's), or on jobs of its own.
    explicit TToolsDetector(QString AProjectFolder, QObject* parent = nullptr, TBackgroundJobs* AJobs = nullptr);
    ~TToolsDetector() override;
    const QString& ProjectFolder() const { return FProjectFolder; }
    void Start();
    void Stop();

signals:
    void detected(const TToolsDetection& AFound);

private:
    QString FProjectFolder;
    TBackgroundJobs* FJobs;
    std::shared_ptr<TJobStop> FJob;
};

// Runs the three check lines of a set of tools in a project on a worker, through the
// project's tools, one result at a time back on the owner's thread. Stop, or destroying
// it, ends the line that runs with its whole process tree, without waiting for it; no
// result comes after that.
class TToolsCheck : public QObject {
    Q_OBJECT

public:
    TToolsCheck(const TProjectTools& ATools, QString AProjectFolder, QObject* parent = nullptr);
    ~TToolsCheck() override;
    void Start();
    void Stop();

    // The tools checked, with their arguments. The SSH route first runs
    // kSshArtisanProbe on the host: whether it answers and the folder holds artisan.
    struct TCheck {
        TRunRequest::TTool Tool;
        const char* Arguments;
    };
    static const TCheck kChecks[3];

signals:
    // ALine is the line that ran; AExitCode -1 when it did not end by itself, and
    // AProblem then says why ("could not start", "stopped: it had not finished after 20 s").
    void checked(const QString& ALine, const QString& AOutput, int AExitCode, const QString& AProblem);
    // The SSH route's first step, in one sentence.
    void hostChecked(const QString& ASummary);
    void finished();

private:
    void RunLine(int AIndex);
    void RunHostProbe();

    TProjectTools FTools;
    QString FProjectFolder;
    TBackgroundJobs* FJobs;
    std::shared_ptr<TJobStop> FJob;
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
    // Closing the dialog (OK, Cancel, Esc, the close box) stops a check at once.
    void done(int AResult) override;

signals:
    void checkFinished();

private:
    void UpdateServiceEnabled();
    // Closes with OK unless the SSH settings cannot be used; they are then named in the
    // results.
    void AcceptIfUsable();
    void EndCheck();

    QString FProjectFolder;
    QLineEdit* FedtPhp;
    QLineEdit* FedtComposer;
    QComboBox* FcmbRoute;
    QLineEdit* FedtService;
    QLineEdit* FedtSshHost;
    QLineEdit* FedtSshPort;
    QLineEdit* FedtSshFolder;
    QLineEdit* FedtSshIdentity;
    QLineEdit* FedtWslDistribution;
    QLineEdit* FedtWslFolder;
    QPlainTextEdit* FmemEnvironment;
    QPushButton* FbtnCheck;
    QPlainTextEdit* FmemResults;
    TToolsCheck* FCheck = nullptr;
};
