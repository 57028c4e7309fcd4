#pragma once

#include "app/BackgroundJobs.h"
#include "components/UpdateChecker.h"

#include <QObject>

#include <functional>
#include <memory>

// Runs update checks off the window's thread (TBackgroundJobs), one at a time, and hands
// each outcome to the thread this object lives on. A check still running when this
// object is destroyed ends on its own (at the latest at its time limit); its outcome is
// dropped.
class TUpdateCheckRun : public QObject {
    Q_OBJECT

public:
    using TFinished = std::function<void(const TUpdateCheckOutcome& AOutcome)>;

    explicit TUpdateCheckRun(QObject* parent = nullptr);
    ~TUpdateCheckRun() override;

    bool IsRunning() const { return FRunning; }
    // Starts AJob on a new worker thread; AFinished runs on this object's thread once the
    // job has ended. Returns false, and does nothing, while a check is running.
    bool Start(TUpdateChecker::TJob AJob, TFinished AFinished);

private:
    void Deliver(const TUpdateCheckOutcome& AOutcome);

    TBackgroundJobs FJobs;
    bool FRunning = false;
    TFinished FFinished;
};
