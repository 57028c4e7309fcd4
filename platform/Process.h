#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <sys/types.h>
#endif

namespace platform {

struct PseudoConsole;

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

// Waits at most AMilliseconds for AReadEnd to have something to read (or its end).
// False when the time ran out. On Windows it returns true at once: reads there block,
// and stopping a tree ends every writer of the pipe with the job.
bool WaitReadable(const FileHandle& AReadEnd, int AMilliseconds);

// Writes all of ACount bytes; false when the reader has gone or the write failed.
bool WritePipe(const FileHandle& AWriteEnd, const char* ABytes, std::size_t ACount);

// Writes what the pipe takes of ACount bytes, waiting at most AMilliseconds for room:
// returns how many went (0 when the pipe stayed full), or -1 when the reader has gone or
// the write failed. Never blocks longer, so a reader that does not read cannot hold the
// writer. POSIX: makes AWriteEnd non-blocking. Windows: blocks until all is written.
std::ptrdiff_t WritePipeSome(const FileHandle& AWriteEnd, const char* ABytes, std::size_t ACount,
                             int AMilliseconds);

// Reads at most ACount bytes, blocking until some are there. Returns how many arrived;
// 0 means the pipe is finished: every holder of the write end has closed it, or the read
// failed. Interrupted reads are retried, and so are reads of an end that another holder
// made non-blocking.
std::size_t ReadPipe(const FileHandle& AReadEnd, char* ABuffer, std::size_t ACount);

// How a child ended: its exit code, or the signal that ended it (POSIX).
struct ExitStatus {
    bool Signalled = false;
    int Code = 0;
};

// The steps of stopping a child and everything it started, each harder than the one
// before. POSIX: SIGINT, SIGTERM, SIGKILL to the child's process group and to every
// other process of its tree. Windows: a console break to the child's process group, then
// the end of every process in its job.
enum class TStopStep { Interrupt, Terminate, Kill };

#ifndef _WIN32
// What is known of a child's tree beyond the child (ProcessPosix.cpp).
struct TreeRecord;
#endif

// A started child process. Wait() blocks until it has ended and reaps it. Destroying a
// child that was not waited for never blocks: it is reaped if it has already ended and
// otherwise left to run on. Every child starts as the head of a tree of its own (POSIX:
// a process group, and a mark in the environment that its descendants inherit; Windows:
// a job object), so that StopTree reaches what it started.
//
// POSIX: the tree is every process that carries the child's mark, is in its process
// group, or descends from one of those, so that a process that left the group or the
// session (setsid, a daemon) still belongs to it. This program makes itself a child
// subreaper at its first start: what the tree leaves orphaned becomes our child, and
// OthersAlive reaps it once it has ended.
class ChildProcess {
public:
    ChildProcess() = default;
#ifdef _WIN32
    ChildProcess(NativeHandle AProcess, NativeHandle AThread, NativeHandle AJob = NoHandle,
                 unsigned long AProcessId = 0)
        : FProcess(AProcess), FThread(AThread), FJob(AJob), FProcessId(AProcessId) {}
    ChildProcess(ChildProcess&& AOther) noexcept
        : FProcess(AOther.FProcess), FThread(AOther.FThread), FJob(AOther.FJob), FProcessId(AOther.FProcessId) {
        AOther.FProcess = AOther.FThread = AOther.FJob = NoHandle;
    }
    bool Started() const { return FProcess != NoHandle; }
    // The process's handle, owned by this object.
    NativeHandle ProcessHandle() const { return FProcess; }
#else
    ChildProcess(pid_t APid, std::string ATreeMark, std::shared_ptr<TreeRecord> ATree)
        : FPid(APid), FTreeMark(std::move(ATreeMark)), FTree(std::move(ATree)) {}
    ChildProcess(ChildProcess&& AOther) noexcept
        : FPid(AOther.FPid), FTreeMark(std::move(AOther.FTreeMark)), FTree(std::move(AOther.FTree)) {
        AOther.FPid = -1;
    }
    bool Started() const { return FPid > 0; }
#endif
    ~ChildProcess() { Release(); }

    ChildProcess& operator=(ChildProcess&& AOther) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits and reaps.
    void Wait() noexcept;
    // Blocks until the child has ended without reaping it, so that its tree can still
    // be stopped safely (its process number stays taken).
    void WaitEnded() noexcept;
    // Reaps an ended child and tells how it ended.
    ExitStatus Reap() noexcept;
    // Sends one stop step to the child and everything it started. Safe from another
    // thread while this one waits in WaitEnded; the child must not be reaped yet.
    void StopTree(TStopStep AStep) const noexcept;
    // Whether a process of the tree other than the child itself still runs (background
    // jobs, daemons). Reaps those of them that ended as our children. Call it from the
    // thread that reaps the child. Windows: false (the job ends with the run).
    bool OthersAlive() const noexcept;
    void Release() noexcept;

private:
#ifdef _WIN32
    NativeHandle FProcess = NoHandle;
    NativeHandle FThread = NoHandle;
    NativeHandle FJob = NoHandle;
    unsigned long FProcessId = 0;
#else
    pid_t FPid = -1;
    std::string FTreeMark;  // "NAME=value" in the environment of the tree
    std::shared_ptr<TreeRecord> FTree;  // the processes seen in the tree
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
    // Becomes the child's standard input; without one it reads an empty input (the null
    // device).
    NativeHandle InputFd = NoHandle;
    // POSIX: the path of a pseudo-terminal's side (PseudoTerminal.h). When set, the child
    // leads a session of its own with that terminal as its controlling terminal and as its
    // standard input, output and error; OutputFd and InputFd are not used.
    std::string TerminalName;
    // Windows: a pseudo console (PseudoTerminal.h) the child is attached to, whose input
    // and output become its standard input, output and error; OutputFd and InputFd are
    // not used, and the child inherits no handle of ours.
    PseudoConsole* Console = nullptr;
    // "NAME=value" entries that replace or add to the environment we pass on (Windows:
    // names compare without regard to case).
    std::vector<std::string> Environment;
};

// Why a command cannot become a start.
enum class TCommandProblem { None, OpenQuote, NoProgram };

// Fills in AInfo what to start for ACommand. Through the interpreter, the command goes
// unchanged to the system's command interpreter: cmd.exe /S /C with the command in one
// more pair of quotes on Windows (so /C never strips quotes of the command's own), "/bin/sh -c" with the command as one argument elsewhere. Without
// it, the command names the program itself: Windows takes the command line as written,
// elsewhere it is split into words (SplitCommandLine).
TCommandProblem SetCommand(ProcessStartInfo& AInfo, const std::string& ACommand, bool AThroughInterpreter);

// Starts a child that writes to AInfo.OutputFd and reads AInfo.InputFd, or the null
// device: a command that asks a question nobody can answer gets end of input at once
// instead of waiting on the terminal that started us. No other descriptor or handle of
// ours reaches it (Windows: an explicit list of the handles it inherits). On POSIX it
// leads a process group of its own, carries its tree's mark in its environment, and
// starts with every signal at its default handling and an empty signal mask whatever
// this program has set; on Windows it is put in a job
// object that ends its members when the last handle to it closes, and its window, if
// it opens one, stays hidden. On failure AChild stays unstarted and the error carries
// the system's reason.
StartError StartProcess(const ProcessStartInfo& AInfo, ChildProcess& AChild);

// POSIX only. Splits a command line into words as a POSIX shell does, honouring blanks, single and
// double quotes and backslashes, but without any expansion: "$HOME", "*" and "~" stay
// as written, and operators such as "|" or ";" are ordinary characters. Returns nothing
// when a quote is left open.
std::optional<std::vector<std::string>> SplitCommandLine(const std::string& ACommandLine);

}  // namespace platform
