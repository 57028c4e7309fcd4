#pragma once

#include <functional>
#include <mutex>

// The stop of one background job, shared by the job and whoever may stop it. Thread-safe.
class TJobStop {
public:
    bool Stopped() const;
    // Marks the job stopped and calls its stop hook, if one is set.
    void Stop();
    // While set, Stop calls AHook (at once when the job is stopped already). Setting an
    // empty hook waits for a hook that is running, so that what it reaches may then go.
    void setStopHook(std::function<void()> AHook);

private:
    mutable std::mutex FMutex;
    bool FStopped = false;
    std::function<void()> FHook;
};

// Sets a stop hook for the life of a scope: what the hook reaches lives at least as long.
class TStopHookScope {
public:
    TStopHookScope(TJobStop* AStop, std::function<void()> AHook) : FStop(AStop) {
        if (FStop) FStop->setStopHook(std::move(AHook));
    }
    ~TStopHookScope() {
        if (FStop) FStop->setStopHook({});
    }
    TStopHookScope(const TStopHookScope&) = delete;
    TStopHookScope& operator=(const TStopHookScope&) = delete;

private:
    TJobStop* FStop;
};
