#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <sys/types.h>

namespace platform {

// A file descriptor owned by one object and closed when that object goes.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int AFd) : FFd(AFd) {}
    ~FileHandle() { Close(); }

    FileHandle(FileHandle&& AOther) noexcept : FFd(AOther.FFd) { AOther.FFd = -1; }
    FileHandle& operator=(FileHandle&& AOther) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int Get() const { return FFd; }
    bool IsOpen() const { return FFd >= 0; }
    void Close() noexcept;

private:
    int FFd = -1;
};

// An anonymous pipe. Both ends are close-on-exec: a child receives the write end only
// where StartProcess places it explicitly.
struct Pipe {
    FileHandle ReadEnd;
    FileHandle WriteEnd;
};

// Fills APipe with a fresh pipe. Returns the reason when the system cannot make one.
std::error_code CreatePipe(Pipe& APipe);

// Reads at most ACount bytes, blocking until some are there. Returns how many arrived;
// 0 means the pipe is finished: every holder of the write end has closed it, or the read
// failed. Interrupted reads are retried.
std::size_t ReadPipe(const FileHandle& AReadEnd, char* ABuffer, std::size_t ACount);

// A started child process. Wait() blocks until it has ended and reaps it. Destroying a
// child that was not waited for never blocks: it is reaped if it has already ended and
// otherwise left to run on.
class ChildProcess {
public:
    ChildProcess() = default;
    explicit ChildProcess(pid_t APid) : FPid(APid) {}
    ~ChildProcess() { Release(); }

    ChildProcess(ChildProcess&& AOther) noexcept : FPid(AOther.FPid) { AOther.FPid = -1; }
    ChildProcess& operator=(ChildProcess&& AOther) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return FPid > 0; }
    void Wait() noexcept;
    void Release() noexcept;

private:
    pid_t FPid = -1;
};

// Why a child did not start.
struct StartError {
    enum class TStage { None, WorkingDir, Program };
    TStage Stage = TStage::None;
    std::error_code Reason;

    explicit operator bool() const { return Stage != TStage::None; }
};

struct ProcessStartInfo {
    // Arguments[0] names the program: a path when it holds a slash (taken relative to
    // WorkingDir), otherwise a name searched on PATH.
    std::vector<std::string> Arguments;
    // The child's current folder. An empty text is refused, like a missing folder.
    std::string WorkingDir;
    // Becomes the child's standard output and standard error.
    int OutputFd = -1;
};

// Starts a child that reads our standard input and writes to AInfo.OutputFd. No other
// descriptor of ours reaches it, and it starts with default SIGPIPE handling and an empty
// signal mask whatever this program has set. On failure AChild stays unstarted.
StartError StartProcess(const ProcessStartInfo& AInfo, ChildProcess& AChild);

// Splits a command line into words as a POSIX shell does, honouring blanks, single and
// double quotes and backslashes, but without any expansion: "$HOME", "*" and "~" stay
// as written, and operators such as "|" or ";" are ordinary characters. Returns nothing
// when a quote is left open.
std::optional<std::vector<std::string>> SplitCommandLine(const std::string& ACommandLine);

}  // namespace platform
