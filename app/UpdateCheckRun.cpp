#include "app/UpdateCheckRun.h"

#include <QMetaObject>

#include <mutex>
#include <thread>

struct TUpdateCheckRun::TChannel {
    std::mutex Mutex;
    TUpdateCheckRun* Receiver = nullptr;
};

TUpdateCheckRun::TUpdateCheckRun(QObject* parent)
    : QObject(parent), FChannel(std::make_shared<TChannel>()) {
    FChannel->Receiver = this;
}

TUpdateCheckRun::~TUpdateCheckRun() {
    const std::lock_guard lock(FChannel->Mutex);
    FChannel->Receiver = nullptr;
}

bool TUpdateCheckRun::Start(TUpdateChecker::TJob AJob, TFinished AFinished) {
    if (FRunning) return false;
    // The outcome comes back through this thread's event loop, so it cannot arrive
    // before the state below is set; a thread that cannot be made leaves no check
    // marked as running.
    std::thread([channel = FChannel, job = std::move(AJob)] {
        const TUpdateCheckOutcome outcome = job.Run();
        const std::lock_guard lock(channel->Mutex);
        // A posted call to an object that is then destroyed is dropped with it.
        if (TUpdateCheckRun* receiver = channel->Receiver)
            QMetaObject::invokeMethod(
                receiver, [receiver, outcome] { receiver->Deliver(outcome); }, Qt::QueuedConnection);
    }).detach();
    FRunning = true;
    FFinished = std::move(AFinished);
    return true;
}

void TUpdateCheckRun::Deliver(const TUpdateCheckOutcome& AOutcome) {
    FRunning = false;
    const TFinished finishedHandler = std::move(FFinished);
    FFinished = nullptr;
    if (finishedHandler) finishedHandler(AOutcome);
}
