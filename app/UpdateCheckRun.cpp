#include "app/UpdateCheckRun.h"

TUpdateCheckRun::TUpdateCheckRun(QObject* parent) : QObject(parent) {
    // A check that failed without an outcome still ends the check.
    connect(&FJobs, &TBackgroundJobs::idle, this, [this] { FRunning = false; });
}

TUpdateCheckRun::~TUpdateCheckRun() = default;

bool TUpdateCheckRun::Start(TUpdateChecker::TJob AJob, TFinished AFinished) {
    if (FRunning) return false;
    // The outcome comes back through this thread's event loop, so it cannot arrive
    // before the state below is set.
    FRunning = true;
    FFinished = std::move(AFinished);
    FJobs.Start<TUpdateCheckOutcome>(
        &FJobs, [job = std::move(AJob)](TJobStop&) mutable { return job.Run(); },
        [this](TUpdateCheckOutcome AOutcome) { Deliver(AOutcome); });
    return true;
}

void TUpdateCheckRun::Deliver(const TUpdateCheckOutcome& AOutcome) {
    FRunning = false;
    const TFinished finishedHandler = std::move(FFinished);
    FFinished = nullptr;
    if (finishedHandler) finishedHandler(AOutcome);
}
