#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <sys/types.h>
#endif

namespace platform {

#ifdef _WIN32
// A kernel object (HANDLE), named without <windows.h>.
using NativeHandle = void*;
inline constexpr NativeHandle NoHandle = nullptr;
#else
// A file descriptor.
using NativeHandle = int;
inline constexpr NativeHandle NoHandle = -1;
#endif

// A pipe end owned by one object and closed when that object goes.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(NativeHandle AHandle) : FFd(AHandle) {}
    ~FileHandle() { Close(); }

    FileHandle(FileHandle&& AOther) noexcept : FFd(AOther.FFd) { AOther.FFd = NoHandle; }
    FileHandle& operator=(FileHandle&& AOther) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    NativeHandle Get() const { return FFd; }
    bool IsOpen() const { return FFd != NoHandle; }
    void Close() noexcept;

private:
    NativeHandle FFd = NoHandle;
};

// An anonymous pipe. On POSIX both ends are close-on-exec: a child receives the write
// end only where StartProcess places it. On Windows both ends are inheritable, and a
// child started with StartProcess inherits them.
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
#ifdef _WIN32
    ChildProcess(NativeHandle AProcess, NativeHandle AThread) : FProcess(AProcess), FThread(AThread) {}
    ChildProcess(ChildProcess&& AOther) noexcept : FProcess(AOther.FProcess), FThread(AOther.FThread) {
        AOther.FProcess = AOther.FThread = NoHandle;
    }
    bool Started() const { return FProcess != NoHandle; }
#else
    explicit ChildProcess(pid_t APid) : FPid(APid) {}
    ChildProcess(ChildProcess&& AOther) noexcept : FPid(AOther.FPid) { AOther.FPid = -1; }
    bool Started() const { return FPid > 0; }
#endif
    ~ChildProcess() { Release(); }

    ChildProcess& operator=(ChildProcess&& AOther) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Wait() noexcept;
    void Release() noexcept;

private:
#ifdef _WIN32
    NativeHandle FProcess = NoHandle;
    NativeHandle FThread = NoHandle;
#else
    pid_t FPid = -1;
#endif
};

// Why a child did not start.
struct StartError {
    enum class TStage { None, WorkingDir, Program };
    TStage Stage = TStage::None;
    std::error_code Reason;

    explicit operator bool() const { return Stage != TStage::None; }
};

struct ProcessStartInfo {
    // POSIX: Arguments[0] names the program: a path when it holds a slash (taken
    // relative to WorkingDir), otherwise a name searched on PATH.
    std::vector<std::string> Arguments;
    // Windows: the whole command line, handed to the system as written; the system finds
    // the program named by its first word.
    std::string CommandLine;
    // What a start failure names as the program.
    std::string Program;
    // The child's current folder. An empty text is refused, like a missing folder.
    std::string WorkingDir;
    // Becomes the child's standard output and standard error.
    NativeHandle OutputFd = NoHandle;
};

// Why a command cannot become a start.
enum class TCommandProblem { None, OpenQuote, NoProgram };

// Fills in AInfo what to start for ACommand. Through the interpreter, the command goes
// unchanged to the system's command interpreter: "cmd.exe /C " followed directly by the
// command on Windows, "/bin/sh -c" with the command as one argument elsewhere. Without
// it, the command names the program itself: Windows takes the command line as written,
// elsewhere it is split into words (SplitCommandLine).
TCommandProblem SetCommand(ProcessStartInfo& AInfo, const std::string& ACommand, bool AThroughInterpreter);

// Starts a child that writes to AInfo.OutputFd. On POSIX its standard input is
// /dev/null, as a windowed program on Windows has none: a command that asks a question
// gets end of input at once instead of waiting on the terminal that started us, which
// nobody watches while the window waits for the command. No other descriptor of ours
// reaches it, and it starts with default SIGPIPE handling and an empty signal mask
// whatever this program has set. On Windows it reads our standard input. On Windows it inherits our
// inheritable handles, and its window, if it opens one, stays hidden. On failure AChild
// stays unstarted and the error carries the system's reason.
StartError StartProcess(const ProcessStartInfo& AInfo, ChildProcess& AChild);

// POSIX only. Splits a command line into words as a POSIX shell does, honouring blanks, single and
// double quotes and backslashes, but without any expansion: "$HOME", "*" and "~" stay
// as written, and operators such as "|" or ";" are ordinary characters. Returns nothing
// when a quote is left open.
std::optional<std::vector<std::string>> SplitCommandLine(const std::string& ACommandLine);

}  // namespace platform
