#include "platform/Process.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/prctl.h>
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
    // ours, AWorkingDir as current folder, a process group of its own, every signal at
    // its default and no blocked signals. Returns the system's error number, 0 on success.
    // With ATerminalName the child leads a session of its own instead, and opens that
    // terminal as standard input, output and error: the first terminal a session leader
    // opens becomes its controlling terminal, with the session's group in the foreground.
    int Prepare(int AOutputFd, int AInputFd, const std::string& AWorkingDir, const std::string& ATerminalName) {
        if (!FActionsReady || !FAttrReady) return ENOMEM;
        if (!ATerminalName.empty()) return PrepareTerminal(ATerminalName, AWorkingDir);
        // Every signal at its default: a signal this program ignores (SIGINT when started
        // in the background by a script) would otherwise stay ignored in the child.
        sigset_t defaults;
        sigset_t mask;
        sigfillset(&defaults);
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

    int PrepareTerminal(const std::string& ATerminalName, const std::string& AWorkingDir) {
        sigset_t defaults;
        sigset_t mask;
        sigfillset(&defaults);
        sigemptyset(&mask);
        const int steps[] = {
            posix_spawn_file_actions_addopen(&FActions, STDIN_FILENO, ATerminalName.c_str(), O_RDWR, 0),
            posix_spawn_file_actions_adddup2(&FActions, STDIN_FILENO, STDOUT_FILENO),
            posix_spawn_file_actions_adddup2(&FActions, STDIN_FILENO, STDERR_FILENO),
            posix_spawn_file_actions_addclosefrom_np(&FActions, STDERR_FILENO + 1),
            posix_spawn_file_actions_addchdir_np(&FActions, AWorkingDir.c_str()),
            posix_spawnattr_setsigdefault(&FAttr, &defaults),
            posix_spawnattr_setsigmask(&FAttr, &mask),
            // A session leader leads its process group too: the group number is the
            // child's process number, as without a terminal.
            posix_spawnattr_setflags(&FAttr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSID),
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

// The name of the environment entry that marks a run's tree.
constexpr char kTreeMarkName[] = "TARNWICK_RUN_TREE";

// A mark no other tree of this program carries.
std::string NewTreeMark() {
    static std::atomic<unsigned long> counter{0};
    return std::string(kTreeMarkName) + "=" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

// Whether AEntry ("NAME=value") sets the variable that AOther ("NAME=...") sets.
bool SameName(const char* AEntry, const std::string& AOther) {
    const std::size_t nameSize = AOther.find('=');
    return nameSize != std::string::npos && std::strncmp(AEntry, AOther.c_str(), nameSize + 1) == 0;
}

// Our environment with AMark in place of any mark we inherited, and AExtra in place of
// the variables it names.
std::vector<char*> EnvironmentWithMark(const std::string& AMark, const std::vector<std::string>& AExtra) {
    std::vector<char*> result;
    for (char** entry = environ; entry && *entry; ++entry)
        if (!SameName(*entry, AMark) &&
            std::none_of(AExtra.begin(), AExtra.end(), [entry](const std::string& AOther) { return SameName(*entry, AOther); }))
            result.push_back(*entry);
    for (const std::string& extra : AExtra)
        if (!SameName(extra.c_str(), AMark)) result.push_back(const_cast<char*>(extra.c_str()));
    result.push_back(const_cast<char*>(AMark.c_str()));
    result.push_back(nullptr);
    return result;
}

// Orphans of our children's trees become our children rather than init's, so that they
// stay findable and we reap them.
void BecomeSubreaper() {
    static std::once_flag once;
    std::call_once(once, [] { ::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0); });
}

struct ProcessEntry {
    pid_t Pid = 0;
    pid_t Parent = 0;
    pid_t Group = 0;
    char State = '?';
    unsigned long long StartTime = 0;  // with Pid, names one process for good
};

// A small file of /proc, read with plain reads: a process that ends while its file is
// read makes the read fail (ESRCH), which a file stream would throw as an exception.
// Empty when it cannot be read.
std::string ReadProcFile(pid_t APid, const char* AName) {
    std::string text;
    const std::string path = "/proc/" + std::to_string(APid) + "/" + AName;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0) {
            text.append(buffer, static_cast<std::size_t>(count));
            continue;
        }
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) text.clear();
        break;
    }
    ::close(fd);
    return text;
}

// The fields of /proc/<pid>/stat that matter here; false when the process has gone.
bool ReadProcessEntry(pid_t APid, ProcessEntry& AEntry) {
    const std::string text = ReadProcFile(APid, "stat");
    // The name in parentheses may hold blanks and parentheses: the fields follow the last one.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return false;
    char state = '?';
    long parent = 0;
    long group = 0;
    unsigned long long start = 0;
    if (std::sscanf(text.c_str() + close + 1,
                    " %c %ld %ld %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu", &state,
                    &parent, &group, &start) != 4)
        return false;
    AEntry = {APid, static_cast<pid_t>(parent), static_cast<pid_t>(group), state, start};
    return true;
}

std::vector<ProcessEntry> ListProcesses() {
    std::vector<ProcessEntry> result;
    DIR* folder = ::opendir("/proc");
    if (!folder) return result;
    while (const dirent* entry = ::readdir(folder)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        ProcessEntry process;
        if (ReadProcessEntry(static_cast<pid_t>(pid), process)) result.push_back(process);
    }
    ::closedir(folder);
    return result;
}

// Whether the environment APid started with holds AMark.
bool CarriesMark(pid_t APid, const std::string& AMark) {
    const std::string environment = ReadProcFile(APid, "environ");
    std::size_t from = 0;
    while (from < environment.size()) {
        std::size_t end = environment.find('\0', from);
        if (end == std::string::npos) end = environment.size();
        if (environment.compare(from, end - from, AMark) == 0) return true;
        from = end + 1;
    }
    return false;
}

}  // namespace

// The processes a tree has been seen with: an ended one has lost its environment and may
// have left the group, yet it is still the tree's to reap.
struct TreeRecord {
    std::mutex Mutex;
    std::set<std::pair<pid_t, unsigned long long>> Seen;
};

namespace {

// The processes of the tree headed by ARoot, without ARoot and without this program.
std::vector<ProcessEntry> TreeMembers(pid_t ARoot, const std::string& AMark, TreeRecord& ARecord) {
    const std::vector<ProcessEntry> all = ListProcesses();
    const pid_t self = ::getpid();
    std::set<pid_t> tree{ARoot};
    {
        const std::lock_guard lock(ARecord.Mutex);
        for (const ProcessEntry& process : all)
            if (process.Pid != self &&
                (process.Group == ARoot || ARecord.Seen.count({process.Pid, process.StartTime}) ||
                 CarriesMark(process.Pid, AMark)))
                tree.insert(process.Pid);
    }
    // Descendants that cleared their environment still hang below a member.
    for (bool grown = true; grown;) {
        grown = false;
        for (const ProcessEntry& process : all)
            if (process.Pid != self && tree.count(process.Parent) && tree.insert(process.Pid).second) grown = true;
    }
    std::vector<ProcessEntry> members;
    for (const ProcessEntry& process : all)
        if (process.Pid != ARoot && tree.count(process.Pid)) members.push_back(process);
    const std::lock_guard lock(ARecord.Mutex);
    for (const ProcessEntry& member : members) ARecord.Seen.insert({member.Pid, member.StartTime});
    return members;
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
        if (errno == EAGAIN) {
            pollfd entry{AReadEnd.Get(), POLLIN, 0};
            ::poll(&entry, 1, -1);
            continue;
        }
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

// A reader that has gone raises SIGPIPE for the writing thread. While a write runs the
// signal is held back, so it cannot end the program; one that the write raised is taken
// back before the thread's mask is restored.
class TPipeSignalHeld {
public:
    TPipeSignalHeld() {
        sigemptyset(&FPipeSignal);
        sigaddset(&FPipeSignal, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        FWasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &FPipeSignal, &FPrevious);
    }
    ~TPipeSignalHeld() {
        if (FRaised && !FWasPending) {
            const timespec none{0, 0};
            while (sigtimedwait(&FPipeSignal, nullptr, &none) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &FPrevious, nullptr);
    }
    TPipeSignalHeld(const TPipeSignalHeld&) = delete;
    TPipeSignalHeld& operator=(const TPipeSignalHeld&) = delete;

    // The write failed in a way that may have raised the signal.
    void WriteFailed() { FRaised = true; }

private:
    sigset_t FPipeSignal;
    sigset_t FPrevious;
    bool FWasPending = false;
    bool FRaised = false;
};

bool WritePipe(const FileHandle& AWriteEnd, const char* ABytes, std::size_t ACount) {
    TPipeSignalHeld held;
    while (ACount > 0) {
        const ssize_t count = ::write(AWriteEnd.Get(), ABytes, ACount);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            held.WriteFailed();
            return false;
        }
        ABytes += count;
        ACount -= static_cast<std::size_t>(count);
    }
    return true;
}

std::ptrdiff_t WritePipeSome(const FileHandle& AWriteEnd, const char* ABytes, std::size_t ACount,
                             int AMilliseconds) {
    const int flags = ::fcntl(AWriteEnd.Get(), F_GETFL);
    if (flags < 0) return -1;
    if (!(flags & O_NONBLOCK) && ::fcntl(AWriteEnd.Get(), F_SETFL, flags | O_NONBLOCK) < 0) return -1;
    pollfd entry{AWriteEnd.Get(), POLLOUT, 0};
    int ready;
    while ((ready = ::poll(&entry, 1, AMilliseconds)) < 0 && errno == EINTR) {
    }
    if (ready == 0) return 0;
    if (ready < 0 || ((entry.revents & (POLLERR | POLLNVAL)) != 0 && (entry.revents & POLLOUT) == 0)) return -1;
    // A full pipe with a reader left: the write takes what fits, or nothing.
    TPipeSignalHeld held;
    ssize_t count;
    while ((count = ::write(AWriteEnd.Get(), ABytes, ACount)) < 0 && errno == EINTR) {
    }
    if (count >= 0) return count;
    if (errno == EAGAIN) return 0;
    if (errno == EPIPE) held.WriteFailed();
    return -1;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& AOther) noexcept {
    if (this != &AOther) {
        Release();
        FPid = AOther.FPid;
        FTreeMark = std::move(AOther.FTreeMark);
        FTree = std::move(AOther.FTree);
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
    if (!Started() || !FTree) return;
    const int signal = AStep == TStopStep::Interrupt ? SIGINT
                       : AStep == TStopStep::Terminate ? SIGTERM
                                                       : SIGKILL;
    // The child leads its own group: the group number is its process number, which
    // stays taken until the child is reaped.
    ::kill(-FPid, signal);
    // Those that left the group: background jobs of a shell ignore SIGINT, and setsid,
    // nohup and timeout move their command out of the way.
    try {
        for (const ProcessEntry& member : TreeMembers(FPid, FTreeMark, *FTree))
            if (member.Group != FPid && member.State != 'Z') ::kill(member.Pid, signal);
    } catch (...) {
        // Listing failed (no memory): the group has had the signal.
    }
}

bool ChildProcess::OthersAlive() const noexcept {
    if (!Started() || !FTree) return false;
    try {
        const pid_t self = ::getpid();
        bool alive = false;
        for (const ProcessEntry& member : TreeMembers(FPid, FTreeMark, *FTree)) {
            if (member.State != 'Z') {
                alive = true;
            } else if (member.Parent == self) {
                // An orphan of the tree that came to us as its subreaper.
                int status = 0;
                if (::waitpid(member.Pid, &status, WNOHANG) == member.Pid) {
                    const std::lock_guard lock(FTree->Mutex);
                    FTree->Seen.erase({member.Pid, member.StartTime});
                }
            }
        }
        return alive;
    } catch (...) {
        return false;
    }
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

    BecomeSubreaper();
    SpawnSetup setup;
    if (int error = setup.Prepare(AInfo.OutputFd, AInfo.InputFd, AInfo.WorkingDir, AInfo.TerminalName))
        return {TStage::Program, SystemError(error)};

    std::vector<char*> argv;
    argv.reserve(AInfo.Arguments.size() + 1);
    for (const std::string& argument : AInfo.Arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    std::string mark = NewTreeMark();
    const std::vector<char*> environment = EnvironmentWithMark(mark, AInfo.Environment);
    pid_t pid = -1;
    // glibc reports a failed chdir or exec in the child as the result of the call.
    const int result = posix_spawnp(&pid, argv.front(), setup.Actions(), setup.Attributes(),
                                    argv.data(), environment.data());
    if (result != 0) {
        // The folder may have changed since it was looked at.
        if (auto error = CheckWorkingDir(AInfo.WorkingDir)) return {TStage::WorkingDir, error};
        return {TStage::Program, SystemError(result)};
    }
    AChild = ChildProcess(pid, std::move(mark), std::make_shared<TreeRecord>());
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
