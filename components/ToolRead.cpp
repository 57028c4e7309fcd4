#include "components/ToolRead.h"

#include "components/Exception.h"

#include <algorithm>
#include <thread>

namespace {

std::string Size(std::size_t ABytes) {
    if (ABytes >= (1u << 20) && ABytes % (1u << 20) == 0) return std::to_string(ABytes >> 20) + " MiB";
    if (ABytes >= (1u << 10) && ABytes % (1u << 10) == 0) return std::to_string(ABytes >> 10) + " KiB";
    return std::to_string(ABytes) + " bytes";
}

std::string Duration(std::chrono::milliseconds ATime) {
    if (ATime.count() % 1000 == 0) return std::to_string(ATime.count() / 1000) + " s";
    return std::to_string(ATime.count()) + " ms";
}

}  // namespace

std::string TToolReadResult::Reason(const TToolReadLimits& ALimits) const {
    switch (End) {
    case TEnd::Exited:
        return {};
    case TEnd::Signalled:
        return "ended by signal " + std::to_string(Signal);
    case TEnd::NotStarted:
        return "could not start";
    case TEnd::TooBig:
        return "stopped: it printed more than " + Size(ALimits.MaxBytes);
    case TEnd::TooLong:
        return "stopped: it had not finished after " + Duration(ALimits.MaxTime);
    case TEnd::Stopped:
        return "stopped";
    }
    return {};
}

std::string TToolReadResult::Problem(const TToolReadLimits& ALimits) const {
    if (End == TEnd::NotStarted && !StartError.empty()) return StartError;
    const std::string reason = Reason(ALimits);
    return reason.empty() ? reason : "\"" + RoutedLine + "\" was " + reason + ".";
}

TToolRead::TToolRead(TToolRequest ARequest) : FRequest(std::move(ARequest)) {
    FCmd.setRunWithCmd(true);
    FCmd.setStopGraceMs(kStopGraceMs);
}

void TToolRead::Stop() {
    {
        const std::lock_guard lock(FMutex);
        FStopWanted = true;
    }
    FWake.notify_all();
}

TToolReadResult TToolRead::Run() {
    TToolReadResult result;
    TRoutedRun routed;
    try {
        routed = RouteRequest(FRequest.Run, FRequest.Tools);
        result.RoutedLine = routed.ShownLine;
    } catch (const Exception& error) {
        // Settings the route refuses start nothing.
        result.StartError = error.what();
        return result;
    }
    {
        const std::lock_guard lock(FMutex);
        FRunOver = false;
        if (FStopWanted) {
            result.End = TToolReadResult::TEnd::Stopped;
            return result;
        }
    }
    const std::size_t maxBytes = FRequest.Limits.MaxBytes;
    bool tooBig = false;
    bool tooLong = false;
    bool started = false;
    FCmd.setCommmandStr(routed.CommandLine);
    FCmd.setEnvironment(routed.Environment);
    FCmd.setInputFromCaller(!FRequest.Run.Input.empty());
    FCmd.OnReadError = [&](const AnsiText& AError) {
        started = AError.Bytes.empty();
        if (!started) result.StartError = AError.Bytes;
        if (started && FCmd.InputFromCaller()) {
            FCmd.WriteInput(FRequest.Run.Input);
            FCmd.CloseInput();
        }
    };
    // Only what fits is kept; past the limit the tree is stopped and the rest dropped.
    FCmd.OnReadChunk = [&](const AnsiText& AChunk) {
        const std::size_t room = maxBytes - result.Output.size();
        result.Output.append(AChunk.Bytes, 0, std::min(room, AChunk.Bytes.size()));
        if (AChunk.Bytes.size() > room && !tooBig) {
            {
                const std::lock_guard lock(FMutex);
                tooBig = true;
            }
            FWake.notify_all();
        }
    };

    // The watcher stops the tree when the time is up, a stop is wanted or the output
    // overflowed. TCmd::Stop does nothing until the child has started, so it is asked
    // again until the run is over.
    std::thread watcher([&] {
        const auto deadline = std::chrono::steady_clock::now() + FRequest.Limits.MaxTime;
        std::unique_lock lock(FMutex);
        while (!FRunOver) {
            if (std::chrono::steady_clock::now() >= deadline && !FStopWanted && !tooBig) tooLong = true;
            if (FStopWanted || tooBig || tooLong) {
                lock.unlock();
                FCmd.Stop();
                lock.lock();
                FWake.wait_for(lock, std::chrono::milliseconds(20), [&] { return FRunOver; });
            } else {
                FWake.wait_until(lock, deadline, [&] { return FRunOver || FStopWanted || tooBig; });
            }
        }
    });
    try {
        FCmd.RunCommand(routed.Folder);
    } catch (const Exception& error) {
        result.StartError = error.what();
    }
    {
        const std::lock_guard lock(FMutex);
        FRunOver = true;
    }
    FWake.notify_all();
    watcher.join();
    FCmd.OnReadChunk = nullptr;
    FCmd.OnReadError = nullptr;

    using TEnd = TToolReadResult::TEnd;
    const TRunEnd end = FCmd.LastRunEnd();
    const std::lock_guard lock(FMutex);
    if (!started)
        result.End = TEnd::NotStarted;
    else if (tooBig)
        result.End = TEnd::TooBig;
    else if (tooLong)
        result.End = TEnd::TooLong;
    else if (FStopWanted && end.Kind == TRunEnd::TKind::Stopped)
        result.End = TEnd::Stopped;
    else if (end.Kind == TRunEnd::TKind::Exited) {
        result.End = TEnd::Exited;
        result.ExitCode = end.Code;
    } else if (end.Kind == TRunEnd::TKind::Signalled) {
        result.End = TEnd::Signalled;
        result.Signal = end.Code;
    } else
        result.End = TEnd::Stopped;
    return result;
}
