#include "platform/Process.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
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

    // Input from /dev/null, output and error to AOutputFd, nothing else of ours,
    // AWorkingDir as current folder, SIGPIPE at its default and no blocked signals.
    // Returns the system's error number, 0 on success.
    int Prepare(int AOutputFd, const std::string& AWorkingDir) {
        if (!FActionsReady || !FAttrReady) return ENOMEM;
        sigset_t defaults;
        sigset_t mask;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        sigemptyset(&mask);
        const int steps[] = {
            posix_spawn_file_actions_addopen(&FActions, STDIN_FILENO, "/dev/null", O_RDONLY, 0),
            posix_spawn_file_actions_adddup2(&FActions, AOutputFd, STDOUT_FILENO),
            posix_spawn_file_actions_adddup2(&FActions, AOutputFd, STDERR_FILENO),
            posix_spawn_file_actions_addclosefrom_np(&FActions, STDERR_FILENO + 1),
            posix_spawn_file_actions_addchdir_np(&FActions, AWorkingDir.c_str()),
            posix_spawnattr_setsigdefault(&FAttr, &defaults),
            posix_spawnattr_setsigmask(&FAttr, &mask),
            posix_spawnattr_setflags(&FAttr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK),
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

ChildProcess& ChildProcess::operator=(ChildProcess&& AOther) noexcept {
    if (this != &AOther) {
        Release();
        FPid = AOther.FPid;
        AOther.FPid = -1;
    }
    return *this;
}

void ChildProcess::Wait() noexcept {
    if (!Started()) return;
    int status = 0;
    // ECHILD (someone else reaped it, or SIGCHLD is ignored) also means it has ended.
    while (waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
    }
    FPid = -1;
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
    if (int error = setup.Prepare(AInfo.OutputFd, AInfo.WorkingDir))
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
    if (result != 0) return {TStage::Program, SystemError(result)};
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
