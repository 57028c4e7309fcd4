#include "app/BackgroundJobs.h"

#include <QMetaObject>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// The workers of every TBackgroundJobs that have not ended yet.
struct TWorkerCount {
    std::mutex Mutex;
    std::condition_variable Ended;
    int Running = 0;
};

TWorkerCount& Workers() {
    static TWorkerCount* workers = new TWorkerCount;  // never destroyed: workers may outlive statics
    return *workers;
}

}  // namespace

// What the workers and this object share: a worker posts its end only while this object
// still exists.
struct TBackgroundJobs::TChannel {
    std::mutex Mutex;
    TBackgroundJobs* Receiver = nullptr;
};

TBackgroundJobs::TBackgroundJobs(QObject* AParent) : QObject(AParent), FChannel(std::make_shared<TChannel>()) {
    FChannel->Receiver = this;
}

TBackgroundJobs::~TBackgroundJobs() {
    {
        const std::lock_guard lock(FChannel->Mutex);
        FChannel->Receiver = nullptr;
    }
    StopAll();
}

void TBackgroundJobs::StopAll() {
    for (const THandle& job : FJobs) job->Stop();
}

bool TBackgroundJobs::WaitForWorkers(std::chrono::milliseconds ATimeout) {
    std::unique_lock lock(Workers().Mutex);
    return Workers().Ended.wait_for(lock, ATimeout, [] { return Workers().Running == 0; });
}

void TBackgroundJobs::Launch(QObject* AContext, const THandle& AStop, TWork AWork) {
    FJobs.append(AStop);
    QPointer<QObject> context(AContext ? AContext : this);
    if (AContext && AContext != this)
        FContextWatches.insert(AStop.get(), connect(AContext, &QObject::destroyed, this, [AStop] { AStop->Stop(); }));
    {
        const std::lock_guard lock(Workers().Mutex);
        ++Workers().Running;
    }
    std::thread([channel = FChannel, stop = AStop, context, work = std::move(AWork)] {
        std::function<void()> deliver;
        try {
            deliver = work();
        } catch (...) {
            // A job that failed has nothing to hand back; its end still comes back.
        }
        {
            const std::lock_guard lock(channel->Mutex);
            // A posted call to an object that is then destroyed is dropped with it.
            if (TBackgroundJobs* receiver = channel->Receiver)
                QMetaObject::invokeMethod(
                    receiver, [receiver, stop, context, deliver] { receiver->Finish(stop, context, deliver); },
                    Qt::QueuedConnection);
        }
        deliver = nullptr;  // what the job's result holds goes before the worker counts as ended
        const std::lock_guard lock(Workers().Mutex);
        --Workers().Running;
        Workers().Ended.notify_all();
    }).detach();
}

void TBackgroundJobs::Finish(const THandle& AStop, const QPointer<QObject>& AContext,
                             const std::function<void()>& ADeliver) {
    FJobs.removeOne(AStop);
    disconnect(FContextWatches.take(AStop.get()));
    if (ADeliver && !AStop->Stopped() && !AContext.isNull()) ADeliver();
    if (FJobs.isEmpty()) emit idle();
}
