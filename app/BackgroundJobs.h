#pragma once

#include "components/JobStop.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>

// Runs jobs off the window's thread and calls back on the thread this object lives on.
// A job can be stopped; a stopped job's result is dropped, and so is the result of a job
// whose context object has gone. Destroying this object (or StopAll) stops every job and
// waits for none: a job ends on its worker as soon as its stop hook has reached it.
class TBackgroundJobs : public QObject {
    Q_OBJECT

public:
    using THandle = std::shared_ptr<TJobStop>;

    explicit TBackgroundJobs(QObject* AParent = nullptr);
    ~TBackgroundJobs() override;

    // Runs AWork on a new worker thread; once it returns, ADone gets its result on this
    // object's thread, unless the job was stopped or AContext is gone. AContext going
    // stops the job.
    template <typename R>
    THandle Start(QObject* AContext, std::function<R(TJobStop&)> AWork, std::function<void(R)> ADone) {
        auto stop = std::make_shared<TJobStop>();
        Launch(AContext, stop, [stop, work = std::move(AWork), done = std::move(ADone)]() -> std::function<void()> {
            auto result = std::make_shared<R>(work(*stop));
            return [result, done] {
                if (done) done(std::move(*result));
            };
        });
        return stop;
    }

    void StopAll();
    // Waits up to ATimeout for the workers of every TBackgroundJobs in the program (stopped
    // or not) to end; false when some still run. Called before the program ends, so that no
    // worker is still in its job while the program's statics are torn down.
    static bool WaitForWorkers(std::chrono::milliseconds ATimeout);
    // Jobs started here whose end has not come back yet.
    qsizetype Count() const { return FJobs.size(); }

signals:
    // Every job started here has come back (or been dropped).
    void idle();

private:
    struct TChannel;
    using TWork = std::function<std::function<void()>()>;

    void Launch(QObject* AContext, const THandle& AStop, TWork AWork);
    void Finish(const THandle& AStop, const QPointer<QObject>& AContext, const std::function<void()>& ADeliver);

    std::shared_ptr<TChannel> FChannel;
    QList<THandle> FJobs;
    QHash<TJobStop*, QMetaObject::Connection> FContextWatches;
};
