#include "platform/Process.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

std::error_code SystemError(int AErrno) { return {AErrno, std::system_category()}; }

// Owns the spawn attributes for one start and frees them on every way out.
class SpawnSetup {
public:
    SpawnSetup() {
        FActionsReady = posix_spawn_file_actions_init(&FActions) == 0;
        FAttrReady = posix_spawnattr_init(&FAttr) == 0;
    }
    ~SpawnSetup() {
        if (FActionsReady) posix_spawn_file_actions_destroy(&FActions);
        if (FAttrReady) posix_spawnattr_destroy(&FAttr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // Input from AInputFd or /dev/null, output and error to AOutputFd, nothing else of
    // ours, AWorkingDir as current folder, a process group of its own, SIGPIPE at its
    // default and no blocked signals. Returns the system's error number, 0 on success.
    int Prepare(int AOutputFd, int AInputFd, const std::string& AWorkingDir) {
        if (!FActionsReady || !FAttrReady) return ENOMEM;
        sigset_t defaults;
        sigset_t mask;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        sigemptyset(&mask);
        const int steps[] = {
            AInputFd >= 0 ? posix_spawn_file_actions_adddup2(&FActions, AInputFd, STDIN_FILENO)
                          : posix_spawn_file_actions_addopen(&FActions, STDIN_FILENO, "/dev/null", O_RDONLY, 0),
            posix_spawn_file_actions_adddup2(&FActions, AOutputFd, STDOUT_FILENO),
            posix_spawn_file_actions_adddup2(&FActions, AOutputFd, STDERR_FILENO),
            posix_spawn_file_actions_addclosefrom_np(&FActions, STDERR_FILENO + 1),
            posix_spawn_file_actions_addchdir_np(&FActions, AWorkingDir.c_str()),
            posix_spawnattr_setsigdefault(&FAttr, &defaults),
            posix_spawnattr_setsigmask(&FAttr, &mask),
            posix_spawnattr_setpgroup(&FAttr, 0),
            posix_spawnattr_setflags(&FAttr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                                 POSIX_SPAWN_SETPGROUP),
        };
        for (int result : steps)
            if (result != 0) return result;
        return 0;
    }

    const posix_spawn_file_actions_t* Actions() const { return &FActions; }
    const posix_spawnattr_t* Attributes() const { return &FAttr; }

private:
    posix_spawn_file_actions_t FActions{};
    posix_spawnattr_t FAttr{};
    bool FActionsReady = false;
    bool FAttrReady = false;
};

// Checks the folder before the start, so that a bad folder is told apart from a
// program that cannot be found.
std::error_code CheckWorkingDir(const std::string& AWorkingDir) {
    if (AWorkingDir.empty()) return SystemError(ENOENT);
    struct stat info {};
    if (stat(AWorkingDir.c_str(), &info) != 0) return SystemError(errno);
    if (!S_ISDIR(info.st_mode)) return SystemError(ENOTDIR);
    // A folder that exists but may not be entered.
    if (access(AWorkingDir.c_str(), X_OK) != 0) return SystemError(errno);
    return {};
}

// Appends the double-quoted text that opens at AAt to AWord and leaves AAt on the
// closing quote. Inside, a backslash escapes only $ ` " \ and a line break (which it
// removes); elsewhere it stays. Returns false when the quote is never closed.
bool AppendDoubleQuoted(const std::string& ALine, std::size_t& AAt, std::string& AWord) {
    for (std::size_t i = AAt + 1; i < ALine.size(); ++i) {
        const char c = ALine[i];
        if (c == '"') {
            AAt = i;
            return true;
        }
        const char next = i + 1 < ALine.size() ? ALine[i + 1] : '\0';
        if (c == '\\' && next == '\n') {
            ++i;
        } else if (c == '\\' && (next == '$' || next == '`' || next == '"' || next == '\\')) {
            AWord += next;
            ++i;
        } else {
            AWord += c;
        }
    }
    return false;
}

}  // namespace

FileHandle& FileHandle::operator=(FileHandle&& AOther) noexcept {
    if (this != &AOther) {
        Close();
        FFd = AOther.FFd;
        AOther.FFd = -1;
    }
    return *this;
}

void FileHandle::Close() noexcept {
    if (FFd >= 0) {
        // Linux releases the descriptor even when close reports EINTR: never retry.
        ::close(FFd);
        FFd = -1;
    }
}

std::error_code CreatePipe(Pipe& APipe) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return SystemError(errno);
    APipe.ReadEnd = FileHandle(fds[0]);
    APipe.WriteEnd = FileHandle(fds[1]);
    return {};
}

std::size_t ReadPipe(const FileHandle& AReadEnd, char* ABuffer, std::size_t ACount) {
    for (;;) {
        const ssize_t count = ::read(AReadEnd.Get(), ABuffer, ACount);
        if (count >= 0) return static_cast<std::size_t>(count);
        if (errno != EINTR) return 0;
    }
}

bool WaitReadable(const FileHandle& AReadEnd, int AMilliseconds) {
    pollfd entry{AReadEnd.Get(), POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, AMilliseconds);
        if (ready >= 0) return ready > 0;
        if (errno != EINTR) return true;  // the read reports the problem
    }
}

bool WritePipe(const FileHandle& AWriteEnd, const char* ABytes, std::size_t ACount) {
    // A reader that has gone raises SIGPIPE for the writing thread: keep it from ending
    // the program, and take it back if it came.
    sigset_t pipeSignal;
    sigset_t previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    bool written = true;
    while (ACount > 0) {
        const ssize_t count = ::write(AWriteEnd.Get(), ABytes, ACount);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            written = false;
            break;
        }
        ABytes += count;
        ACount -= static_cast<std::size_t>(count);
    }
    if (!written && !wasPending) {
        const timespec none{0, 0};
        while (sigtimedwait(&pipeSignal, nullptr, &none) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return written;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& AOther) noexcept {
    if (this != &AOther) {
        Release();
        FPid = AOther.FPid;
        AOther.FPid = -1;
    }
    return *this;
}

void ChildProcess::Wait() noexcept {
    WaitEnded();
    Reap();
}

void ChildProcess::WaitEnded() noexcept {
    if (!Started()) return;
    siginfo_t info{};
    // ECHILD (someone else reaped it, or SIGCHLD is ignored) also means it has ended.
    while (waitid(P_PID, static_cast<id_t>(FPid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
}

ExitStatus ChildProcess::Reap() noexcept {
    if (!Started()) return {};
    int status = 0;
    pid_t result;
    while ((result = waitpid(FPid, &status, 0)) < 0 && errno == EINTR) {
    }
    FPid = -1;
    if (result < 0) return {};
    if (WIFSIGNALED(status)) return {true, WTERMSIG(status)};
    return {false, WIFEXITED(status) ? WEXITSTATUS(status) : 0};
}

void ChildProcess::StopTree(TStopStep AStep) const noexcept {
    if (!Started()) return;
    const int signal = AStep == TStopStep::Interrupt ? SIGINT
                       : AStep == TStopStep::Terminate ? SIGTERM
                                                       : SIGKILL;
    // The child leads its own group: the group number is its process number, which
    // stays taken until the child is reaped.
    ::kill(-FPid, signal);
}

void ChildProcess::Release() noexcept {
    if (!Started()) return;
    int status = 0;
    waitpid(FPid, &status, WNOHANG);
    FPid = -1;
}

StartError StartProcess(const ProcessStartInfo& AInfo, ChildProcess& AChild) {
    using TStage = StartError::TStage;
    if (auto error = CheckWorkingDir(AInfo.WorkingDir)) return {TStage::WorkingDir, error};
    if (AInfo.Arguments.empty() || AInfo.Arguments.front().empty())
        return {TStage::Program, SystemError(ENOENT)};

    SpawnSetup setup;
    if (int error = setup.Prepare(AInfo.OutputFd, AInfo.InputFd, AInfo.WorkingDir))
        return {TStage::Program, SystemError(error)};

    std::vector<char*> argv;
    argv.reserve(AInfo.Arguments.size() + 1);
    for (const std::string& argument : AInfo.Arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    // glibc reports a failed chdir or exec in the child as the result of the call.
    const int result = posix_spawnp(&pid, argv.front(), setup.Actions(), setup.Attributes(),
                                    argv.data(), environ);
    if (result != 0) {
        // The folder may have changed since it was looked at.
        if (auto error = CheckWorkingDir(AInfo.WorkingDir)) return {TStage::WorkingDir, error};
        return {TStage::Program, SystemError(result)};
    }
    AChild = ChildProcess(pid);
    return {};
}

TCommandProblem SetCommand(ProcessStartInfo& AInfo, const std::string& ACommand, bool AThroughInterpreter) {
    if (AThroughInterpreter) {
        AInfo.Arguments = {"/bin/sh", "-c", ACommand};
    } else {
        auto words = SplitCommandLine(ACommand);
        if (!words) return TCommandProblem::OpenQuote;
        if (words->empty()) return TCommandProblem::NoProgram;
        AInfo.Arguments = std::move(*words);
    }
    AInfo.Program = AInfo.Arguments.front();
    return TCommandProblem::None;
}

std::optional<std::vector<std::string>> SplitCommandLine(const std::string& ACommandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;  // a word has begun, even if only with an empty quote
    const std::size_t size = ACommandLine.size();

    for (std::size_t i = 0; i < size; ++i) {
        const char c = ACommandLine[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '\\') {
            if (i + 1 == size) {
                word += c;  // nothing left to escape: the backslash stays
                inWord = true;
            } else if (ACommandLine[i + 1] == '\n') {
                ++i;  // line continuation
            } else {
                word += ACommandLine[++i];
                inWord = true;
            }
        } else if (c == '\'') {
            const std::size_t close = ACommandLine.find('\'', i + 1);
            if (close == std::string::npos) return std::nullopt;
            word.append(ACommandLine, i + 1, close - i - 1);
            i = close;
            inWord = true;
        } else if (c == '"') {
            if (!AppendDoubleQuoted(ACommandLine, i, word)) return std::nullopt;
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

}  // namespace platform
