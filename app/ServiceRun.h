#pragma once

#include "components/ProjectTools.h"
#include "components/RunRequest.h"
#include "components/Services.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

class TCommandRun;

// One service of a project kept running beside the console: started, stopped and
// restarted on demand, restarted with back-off when it ends without being asked to, and
// given up after the last attempt. Its state is always the true one. QtCore only: views
// follow it through its signals.
class TServiceRun : public QObject {
    Q_OBJECT

public:
    enum class TState { Stopped, Starting, Running, Exited, Restarting, Crashed };

    TServiceRun(TServiceDefinition ADefinition, QString AProjectFolder, TProjectTools ATools,
                QObject* AParent = nullptr);
    // Stops the service's whole process tree and waits for it.
    ~TServiceRun() override;

    const TServiceDefinition& Definition() const { return FDefinition; }
    const QString& ProjectFolder() const { return FProjectFolder; }
    void setTools(const TProjectTools& ATools) { FTools = ATools; }
    TState State() const { return FState; }
    // "Running since 14:03:22", "Restarting in 4 s (attempt 3 of 5)", ...
    QString StateText() const;
    bool IsActive() const { return FRun != nullptr || FState == TState::Restarting; }
    // The last start's request, and its line as routed through the project's tools.
    const TRunRequest& Request() const { return FRequest; }
    const QString& RunLine() const { return FRunLine; }
    // The address the development server said it serves at; empty until then.
    const QString& Address() const { return FAddress; }

    void Start();
    void Stop();
    void Restart();
    // Stops and returns once the process tree has ended.
    void StopAndWait();

    // One step of the restart back-off (1, 2, 4, 8, 16 of them); shorter in tests.
    static inline std::chrono::milliseconds BackOffUnit{1000};

    // The development server's first port, and the last one tried.
    static constexpr int kFirstServerPort = 8000;
    static constexpr int kLastServerPort = 8099;

signals:
    void stateChanged();
    // Output as it arrives, and the program's own remarks ("[Port 8000 is taken ...]").
    void outputArrived(const QString& AText);
    void noteAdded(const QString& AText);
    void addressFound(const QString& AAddress);
    // The service ended on its last attempt and is not started again.
    void gaveUp();

private:
    void Launch();
    void RunEnded();
    void setState(TState AState);
    void ScanForAddress(const QString& AText);

    TServiceDefinition FDefinition;
    QString FProjectFolder;
    TProjectTools FTools;
    std::unique_ptr<TCommandRun> FRun;
    TState FState = TState::Stopped;
    TRestartPolicy FRestarts;
    QTimer FRestartTimer;
    QElapsedTimer FUp;
    QDateTime FSince;
    int FExitCode = 0;
    bool FStopAsked = false;
    bool FRestartAsked = false;
    TRunRequest FRequest;
    QString FRunLine;
    QString FAddress;
    QString FAddressLine;  // output since the last line end, while no address is known
};
