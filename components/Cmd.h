#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/CodePage.h"
#include "platform/Process.h"
#include "platform/PseudoTerminal.h"

// Receives the whole output of one run and the command that produced it.
using TOnReadOutput = std::function<void(const AnsiText& AOutput, std::string ACommandString)>;
// Receives the run's start report: empty when the child started, otherwise one line
// that says why it did not.
using TOnReadError = std::function<void(const AnsiText& AError)>;
// Receives the bytes of one read as soon as they have arrived (NUL bytes left out).
using TOnReadChunk = std::function<void(const AnsiText& AChunk)>;

// How a run ended and how long it took, from the start of the child to its end.
struct TRunEnd {
    enum class TKind { Exited, Signalled, Stopped, NotStarted };
    TKind Kind = TKind::NotStarted;
    int Code = 0;  // the exit code, or the signal number when Signalled
    double Seconds = 0;
};

// Runs one command line as a child process in a given folder, waits until it, every
// process holding its output and every other process it started have finished, and
// hands over everything it wrote to standard output and standard error, in the order
// written.
//
// While a run lasts, another thread may stop it (Stop), feed its standard input
// (WriteInput, CloseInput) when the run was started with InputFromCaller, and the run
// raises OnReadChunk for every read on the running thread.
class TCmd {
public:
    TCmd() = default;
    ~TCmd();
    TCmd(const TCmd&) = delete;
    TCmd& operator=(const TCmd&) = delete;

    const std::string& CommmandStr() const { return FCommmandStr; }
    void setCommmandStr(const std::string& AValue) { FCommmandStr = AValue; }

    // True: the command goes unchanged to the command interpreter: cmd.exe /S /C with the
    // command in one more pair of quotes on Windows, /bin/sh -c with the command as one argument elsewhere.
    // False: the command names the program itself; on POSIX it is split into words like
    // a shell would, without any expansion.
    bool RunWithCmd() const { return FRunWithCmd; }
    void setRunWithCmd(bool AValue) { FRunWithCmd = AValue; }

    // Variables the child gets on top of the environment it inherits (a terminal's
    // TERM, COLUMNS and LINES stay the terminal's).
    const std::map<std::string, std::string>& Environment() const { return FEnvironment; }
    void setEnvironment(std::map<std::string, std::string> AValue) { FEnvironment = std::move(AValue); }

    // Runs CommmandStr with AWorkingDir as current folder and blocks until the run is
    // over. Throws Exception("Command String Empty.") for an empty command. Once the
    // child has started (or failed to), OnReadError is raised; after the child has
    // ended, OnReadOutput gets the collected output. A child that cannot start (no or
    // a bad folder, unknown program) is reported through OnReadError only.
    void RunCommand(const std::string& AWorkingDir);

    // True: the child's standard input is a pipe that WriteInput and CloseInput feed.
    // False (the default): it reads an empty input.
    bool InputFromCaller() const { return FInputFromCaller; }
    void setInputFromCaller(bool AValue) { FInputFromCaller = AValue; }

    // True: the child gets a pseudo-terminal as its standard input, output and error
    // (Windows: a pseudo console), where the system has one
    // (platform::PseudoTerminalSupported; otherwise the pipes as without), in a session of
    // its own, with TERM=xterm-256color and COLUMNS and LINES of TerminalSize. Its input
    // is then always the caller's, what it reads is echoed as a terminal does, its output
    // is UTF-8, and CloseInput sends the terminal's end-of-input keys (the terminal stays
    // open for more).
    bool Terminal() const { return FTerminal; }
    void setTerminal(bool AValue) { FTerminal = AValue; }
    // Thread-safe. The terminal's size for the next run; during a run with a terminal,
    // its terminal takes the new size at once (and its programs are told).
    platform::TerminalSize TerminalSize() const;
    void setTerminalSize(platform::TerminalSize AValue);

    // How long each stop step is given before the next, harder one.
    int StopGraceMs() const { return FStopGraceMs; }
    void setStopGraceMs(int AValue) { FStopGraceMs = AValue; }

    // The most bytes one read of the child's output takes (at least 1). The default is
    // the runner's classic 255; a caller streaming large output reads in larger pieces.
    std::size_t ReadSize() const { return FReadSize; }
    void setReadSize(std::size_t AValue) { FReadSize = std::max<std::size_t>(1, AValue); }
    static constexpr std::size_t kDefaultReadSize = 255;

    // Thread-safe. Ends the running child and everything it started: an interrupt, then
    // a request to terminate, then a kill, each after StopGraceMs without an end. Returns
    // at once; RunCommand returns when the run is over. Does nothing between runs.
    void Stop();
    // Thread-safe and never blocks. Queues text for the running child's standard input,
    // which a writer of the run feeds as the child reads; false when there is no run, its
    // input is not ours or closed, the child no longer reads it, or more than
    // kMaxInputBytes would wait.
    bool WriteInput(const std::string& AText);
    // Thread-safe. Closes the running child's standard input once what waits has gone to
    // it: it reads its end.
    void CloseInput();
    // Thread-safe. How many bytes given to WriteInput the child has not taken yet.
    std::size_t InputWaiting() const;
    static constexpr std::size_t kMaxInputBytes = std::size_t(1) << 20;
    // Thread-safe. How the last run ended.
    TRunEnd LastRunEnd() const;

    TOnReadOutput OnReadOutput;
    TOnReadError OnReadError;
    TOnReadChunk OnReadChunk;

private:
    void RaiseReadError(const std::string& AText) const;
    void RaiseReadOutput(const AnsiText& AOutput) const;
    void ReadToEnd(const platform::FileHandle& AReadEnd, AnsiText& AOutput);
    void StopSteps();
    void FeedInput();
    void WaitForTree(const platform::ChildProcess& AChild);
    void EndRun(platform::ChildProcess& AChild, double ASeconds);
    void KillAndReap(platform::ChildProcess& AChild, double ASeconds);

    std::string FCommmandStr;
    std::map<std::string, std::string> FEnvironment;
    bool FRunWithCmd = true;
    bool FInputFromCaller = false;
    bool FTerminal = false;
    platform::TerminalSize FTerminalSize;
    const platform::PseudoTerminal* FRunTerminal = nullptr;  // while a run has a terminal
    bool FTerminalRun = false;
    int FStopGraceMs = 2000;
    std::size_t FReadSize = kDefaultReadSize;

    // The run in progress, shared with the threads that stop it or feed it.
    mutable std::mutex FMutex;
    std::condition_variable FRunOver;
    platform::ChildProcess* FChild = nullptr;  // started and not reaped yet
    platform::FileHandle FInput;
    bool FStopRequested = false;
    std::atomic<bool> FGiveUpReading{false};
    std::thread FStopper;
    TRunEnd FLastRunEnd;
    // The input on its way to the child: queued by WriteInput, written by FWriter, which
    // alone closes FInput while the run lasts.
    std::string FInputQueue;
    bool FInputCloseWanted = false;
    bool FInputGone = false;
    bool FWriterQuit = false;
    std::condition_variable FInputWanted;
    std::thread FWriter;
};
