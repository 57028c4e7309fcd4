#pragma once

#include "components/Cmd.h"
#include "components/ProjectTools.h"
#include "components/RunRequest.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>

// How much a read may take in, and for how long, before its tree is stopped.
struct TToolReadLimits {
    std::size_t MaxBytes = 0;
    std::chrono::milliseconds MaxTime{0};

    // A command list: a big application's list is a few hundred kilobytes.
    static TToolReadLimits ForLists() { return {8u << 20, std::chrono::seconds(60)}; }
    // A version, a check line: a screenful.
    static TToolReadLimits ForChecks() { return {256u << 10, std::chrono::seconds(20)}; }
};

// One run the program makes for itself and reads, as a value: the run (a tool of the
// project and its arguments, the folder), the project's tools that route it, and its
// limits.
struct TToolRequest {
    TToolRequest() = default;
    TToolRequest(TRunRequest ARun, TProjectTools ATools, TToolReadLimits ALimits = TToolReadLimits::ForChecks())
        : Run(std::move(ARun)), Tools(std::move(ATools)), Limits(ALimits) {}
    // A line as a user types it ("php artisan list --format=json").
    TToolRequest(const std::string& ALine, std::string AFolder, TProjectTools ATools,
                 TToolReadLimits ALimits = TToolReadLimits::ForChecks())
        : TToolRequest(TRunRequest::FromTyped(ALine, std::move(AFolder)), std::move(ATools), ALimits) {}

    TRunRequest Run;
    TProjectTools Tools;
    TToolReadLimits Limits = TToolReadLimits::ForChecks();

    std::string Line() const { return Run.Line(); }
    const std::string& Folder() const { return Run.Folder; }
};

// What one read gave.
struct TToolReadResult {
    enum class TEnd {
        Exited,      // ended by itself with ExitCode
        Signalled,   // killed by a signal from elsewhere
        NotStarted,  // StartError says why
        TooBig,      // printed more than MaxBytes: stopped, Output holds the first MaxBytes
        TooLong,     // ran past MaxTime: stopped
        Stopped,     // Stop was called
    };
    std::string RoutedLine;  // the line that really ran, with its environment in front
    std::string Output;      // standard output and error in the order written, at most MaxBytes
    TEnd End = TEnd::NotStarted;
    int ExitCode = -1;  // when Exited; -1 otherwise
    int Signal = 0;     // when Signalled
    std::string StartError;

    // Why the read gave no exit code, in a few words ("stopped: it had not finished
    // after 20 s", "could not start", "ended by signal 9"); empty when it exited.
    std::string Reason(const TToolReadLimits& ALimits) const;
    // The same as a sentence that names the line; for a read that did not start, the
    // reason the runner gave.
    std::string Problem(const TToolReadLimits& ALimits) const;
};

// Runs one request through the project's tools (the routing typed lines take), collects
// its output up to the size limit and stops the whole process tree past either limit.
// Run blocks; Stop may be called from any other thread, before or during Run, and ends
// the tree at once.
class TToolRead {
public:
    explicit TToolRead(TToolRequest ARequest);
    TToolRead(const TToolRead&) = delete;
    TToolRead& operator=(const TToolRead&) = delete;

    const TToolRequest& Request() const { return FRequest; }
    TToolReadResult Run();
    void Stop();

    // How long the tree is given after each stop step; reads hold nothing worth waiting for.
    static constexpr int kStopGraceMs = 50;

private:
    TToolRequest FRequest;
    TCmd FCmd;
    std::mutex FMutex;
    std::condition_variable FWake;
    bool FStopWanted = false;
    bool FRunOver = false;
};
