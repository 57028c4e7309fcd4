#include "app/CommandRun.h"

#include "app/ConsoleEdit.h"
#include "components/Exception.h"

#include <utility>

TCommandRun::TCommandRun(std::string ACommand, bool ARunWithCmd, std::string AWorkingDir, QObject* parent)
    : QObject(parent), FCommand(std::move(ACommand)), FWorkingDir(std::move(AWorkingDir)) {
    FCmd.setCommmandStr(FCommand);
    FCmd.setRunWithCmd(ARunWithCmd);
    FCmd.setInputFromCaller(true);
    FCmd.OnReadError = [this](const AnsiText& AError) {
        const std::lock_guard lock(FMutex);
        FReport = AError;
        FReportPending = true;
    };
    FCmd.OnReadChunk = [this](const AnsiText& AChunk) {
        std::unique_lock lock(FMutex);
        // A window thread that cannot keep up holds the child back through the pipe,
        // rather than the output piling up here.
        FDrained.wait(lock, [this] { return FPending.size() < kMaxPendingBytes || FAbandoned; });
        if (!FAbandoned) FPending += AChunk.Bytes;
    };
    FBatchTimer.setInterval(kBatchIntervalMs);
    connect(&FBatchTimer, &QTimer::timeout, this, &TCommandRun::Deliver);
}

TCommandRun::~TCommandRun() { StopAndWait(); }

void TCommandRun::Start() {
    FDecoder = std::make_unique<TAnsiStreamDecoder>(AnsiText{}.CodePage);
    FRunning = true;
    FBatchTimer.start();
    FWorker = std::thread([this] {
        try {
            FCmd.RunCommand(FWorkingDir);
        } catch (const std::exception& error) {
            FFailure = QString::fromUtf8(error.what());
        }
        QMetaObject::invokeMethod(this, &TCommandRun::WorkerEnded, Qt::QueuedConnection);
    });
}

bool TCommandRun::WriteInput(const QString& AText) {
    if (FStartReported) return FCmd.WriteInput(AText.toStdString());
    if (!FRunning || FEarlyClose) return false;
    FEarlyInput += AText.toStdString();
    return true;
}

void TCommandRun::CloseInput() {
    if (FStartReported)
        FCmd.CloseInput();
    else
        FEarlyClose = true;
}

void TCommandRun::StopAndWait() {
    {
        const std::lock_guard lock(FMutex);
        FAbandoned = true;
    }
    FDrained.notify_all();
    FCmd.Stop();
    if (FWorker.joinable()) FWorker.join();
    FBatchTimer.stop();
}

// Hands what has arrived to the owner's thread: the start report first, then at most
// one batch of output.
void TCommandRun::Deliver() {
    bool report = false;
    bool started = false;
    AnsiText reportText;
    std::string bytes;
    {
        const std::lock_guard lock(FMutex);
        if (FReportPending) {
            report = true;
            FReportPending = false;
            reportText = std::move(FReport);
            // The runner reports nothing when the child started, and why otherwise.
            started = reportText.Bytes.empty();
        }
        if (FPending.size() <= std::size_t(kMaxBatchBytes)) {
            bytes.swap(FPending);
        } else {
            bytes.assign(FPending, 0, kMaxBatchBytes);
            FPending.erase(0, kMaxBatchBytes);
        }
    }
    FDrained.notify_all();
    if (report) {
        FStartReported = true;
        if (started && !FEarlyInput.empty()) FCmd.WriteInput(FEarlyInput);
        if (started && FEarlyClose) FCmd.CloseInput();
        FEarlyInput.clear();
        emit startReported(DecodeAnsiText(reportText), started);
    }
    if (!bytes.empty()) {
        const QString text = FDecoder->Decode(bytes.data(), qsizetype(bytes.size()));
        if (!text.isEmpty()) emit outputArrived(text);
    }
}

void TCommandRun::WorkerEnded() {
    if (FWorker.joinable()) FWorker.join();
    FBatchTimer.stop();
    // Everything left, batch by batch, then the end.
    for (;;) {
        Deliver();
        const std::lock_guard lock(FMutex);
        if (FPending.empty() && !FReportPending) break;
    }
    const QString rest = FDecoder->Finish();
    if (!rest.isEmpty()) emit outputArrived(rest);
    FRunning = false;
    emit finished();
}
