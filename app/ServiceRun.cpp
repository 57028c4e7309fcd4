#include "app/ServiceRun.h"

#include "app/CommandRun.h"
#include "platform/LocalPorts.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Output scanned for the server's address is kept up to this many characters per line.
constexpr qsizetype kAddressLineChars = 4096;

}  // namespace

TServiceRun::TServiceRun(TServiceDefinition ADefinition, QString AProjectFolder, TProjectTools ATools,
                         QObject* AParent)
    : QObject(AParent), FDefinition(std::move(ADefinition)), FProjectFolder(std::move(AProjectFolder)),
      FTools(std::move(ATools)) {
    FRestartTimer.setSingleShot(true);
    connect(&FRestartTimer, &QTimer::timeout, this, &TServiceRun::Launch);
}

TServiceRun::~TServiceRun() { StopAndWait(); }

QString TServiceRun::StateText() const {
    switch (FState) {
    case TState::Stopped: return tr("Stopped");
    case TState::Starting: return tr("Starting");
    case TState::Running: return tr("Running since %1").arg(FSince.toString(QStringLiteral("HH:mm:ss")));
    case TState::Exited: return tr("Exited with code %1").arg(FExitCode);
    case TState::Restarting:
        return tr("Restarting in %1 s (attempt %2 of %3)")
            .arg((FRestartTimer.remainingTime() + 999) / 1000)
            .arg(FRestarts.Attempt())
            .arg(TRestartPolicy::kMaxAttempts);
    case TState::Crashed: return tr("Crashed");
    }
    return {};
}

void TServiceRun::Start() {
    if (FRun) return;
    FRestartTimer.stop();
    FRestarts.Reset();
    Launch();
}

void TServiceRun::Stop() {
    FRestartAsked = false;
    if (FRestartTimer.isActive()) {
        FRestartTimer.stop();
        setState(TState::Stopped);
    }
    if (!FRun) return;
    FStopAsked = true;
    FRun->Stop();
}

void TServiceRun::Restart() {
    FRestarts.Reset();
    if (!FRun) {
        Start();
        return;
    }
    Stop();
    FRestartAsked = true;
}

void TServiceRun::StopAndWait() {
    FRestartTimer.stop();
    FRestartAsked = false;
    if (!FRun) return;
    FStopAsked = true;
    FRun->StopAndWait();
    FRun.reset();
    setState(TState::Stopped);
}

void TServiceRun::Launch() {
    FStopAsked = false;
    FAddress.clear();
    FAddressLine.clear();
    // A service's command line is one as typed: a tool's line goes through the project's tools.
    const std::string folder = FProjectFolder.toStdString();
    TRunRequest request = TRunRequest::FromTyped(FDefinition.CommandLine, folder);
    if (FDefinition.Kind == TServiceDefinition::TKind::DevelopmentServer) {
        // The port is chosen at each start: another program may have taken it since.
        const int port = platform::FirstFreeLocalPort(kFirstServerPort, kLastServerPort);
        if (port == 0) {
            emit noteAdded(tr("[No port from %1 to %2 is free on 127.0.0.1.]").arg(kFirstServerPort).arg(kLastServerPort));
            FExitCode = 0;
            setState(TState::Crashed);
            emit gaveUp();
            return;
        }
        if (port != kFirstServerPort)
            emit noteAdded(tr("[Port %1 is taken by another program: the server starts on port %2.]")
                               .arg(kFirstServerPort)
                               .arg(port));
        request = TRunRequest::ForTool(TRunRequest::TTool::Artisan, "serve --port=" + std::to_string(port), folder);
    }
    if (!QFileInfo(FProjectFolder).isDir()) {
        emit noteAdded(tr("[The project folder %1 does not exist.]").arg(QDir::toNativeSeparators(FProjectFolder)));
        setState(TState::Crashed);
        emit gaveUp();
        return;
    }
    FRequest = request;
    TRoutedRun routed;
    try {
        routed = RouteRequest(request, FTools);
        FRunLine = QString::fromStdString(routed.ShownLine);
    } catch (const std::exception& error) {
        // The project's route settings are refused: nothing starts, and the board says why.
        emit noteAdded(QStringLiteral("[%1]").arg(QString::fromUtf8(error.what())));
        setState(TState::Crashed);
        emit gaveUp();
        return;
    }
    FRun = std::make_unique<TCommandRun>(routed);
    // Services are stopped by the user or at quit: short steps keep both quick.
    FRun->setStopGraceMs(1500);
    connect(FRun.get(), &TCommandRun::startReported, this, [this](const QString& AText, bool AStarted) {
        if (!AText.isEmpty()) emit noteAdded(AText);
        if (AStarted) {
            FSince = QDateTime::currentDateTime();
            setState(TState::Running);
        }
    });
    connect(FRun.get(), &TCommandRun::outputArrived, this, [this](const QString& AText) {
        emit outputArrived(AText);
        if (FAddress.isEmpty()) ScanForAddress(AText);
    });
    connect(FRun.get(), &TCommandRun::finished, this, &TServiceRun::RunEnded);
    FUp.start();
    setState(TState::Starting);
    FRun->Start();
}

void TServiceRun::ScanForAddress(const QString& AText) {
    FAddressLine += AText;
    qsizetype end;
    while ((end = FAddressLine.indexOf(u'\n')) >= 0) {
        const auto address = ServerAddressIn(FAddressLine.left(end).toStdString());
        FAddressLine.remove(0, end + 1);
        if (address) {
            FAddress = QString::fromStdString(*address);
            FAddressLine.clear();
            emit addressFound(FAddress);
            return;
        }
    }
    if (FAddressLine.size() > kAddressLineChars) FAddressLine.clear();
}

void TServiceRun::RunEnded() {
    const TRunEnd end = FRun->End();
    FRun.release()->deleteLater();
    FAddress.clear();
    if (FStopAsked) {
        FStopAsked = false;
        setState(TState::Stopped);
        if (std::exchange(FRestartAsked, false)) Launch();
        return;
    }
    FExitCode = end.Code;
    const bool clean = end.Kind == TRunEnd::TKind::Exited && end.Code == 0;
    if (clean) {
        setState(TState::Exited);
        return;
    }
    if (end.Kind == TRunEnd::TKind::Exited)
        emit noteAdded(tr("[The service ended with exit code %1.]").arg(end.Code));
    else if (end.Kind == TRunEnd::TKind::Signalled)
        emit noteAdded(tr("[The service was ended by signal %1.]").arg(end.Code));
    const auto wait = FRestarts.AfterCrash(std::chrono::milliseconds(FUp.elapsed()));
    if (!wait) {
        setState(TState::Crashed);
        emit noteAdded(tr("[The service is not started again after %1 attempts.]").arg(TRestartPolicy::kMaxAttempts));
        emit gaveUp();
        return;
    }
    FRestartTimer.start(BackOffUnit * wait->count());
    setState(TState::Restarting);
}

void TServiceRun::setState(TState AState) {
    FState = AState;
    emit stateChanged();
}
