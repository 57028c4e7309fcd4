#include "platform/Process.h"

#include "platform/PseudoConsoleWin32.h"
#include "platform/WideTextWin32.h"

#include <cwchar>
#include <optional>
#include <vector>

// Declared for Windows 10 1809 on, which the build does not require: older systems never
// start a child on a pseudo console (PseudoTerminalSupported).
#ifndef PROC_THREAD_ATTRIBUTE_PSEUDOCONSOLE
#define PROC_THREAD_ATTRIBUTE_PSEUDOCONSOLE ProcThreadAttributeValue(22, FALSE, TRUE, FALSE)
#endif

namespace platform {

namespace {

// Win32 error numbers (GetLastError), with the system's own text for each.
class Win32ErrorCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "win32"; }

    std::string message(int ACode) const override {
        wchar_t* text = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, static_cast<DWORD>(ACode), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        std::wstring message(text != nullptr ? text : L"", length);
        LocalFree(text);
        // The system's texts end in a full stop and a line break; the callers add their own.
        while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                    message.back() == L' ' || message.back() == L'.'))
            message.pop_back();
        if (message.empty()) return "system error " + std::to_string(ACode);
        return FromWide(message);
    }

    std::error_condition default_error_condition(int ACode) const noexcept override {
        switch (ACode) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return std::errc::no_such_file_or_directory;
        case ERROR_ACCESS_DENIED: return std::errc::permission_denied;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY: return std::errc::not_enough_memory;
        case ERROR_TOO_MANY_OPEN_FILES: return std::errc::too_many_files_open;
        default: return {ACode, *this};
        }
    }
};

std::error_code LastError() {
    static const Win32ErrorCategory category;
    return {static_cast<int>(GetLastError()), category};
}

void CloseIfOpen(NativeHandle& AHandle) noexcept {
    if (AHandle != NoHandle) {
        CloseHandle(AHandle);
        AHandle = NoHandle;
    }
}

}  // namespace

FileHandle& FileHandle::operator=(FileHandle&& AOther) noexcept {
    if (this != &AOther) {
        Close();
        FFd = AOther.FFd;
        AOther.FFd = NoHandle;
    }
    return *this;
}

void FileHandle::Close() noexcept { CloseIfOpen(FFd); }

std::error_code CreatePipe(Pipe& APipe) {
    // Both ends inheritable; size 0 leaves the buffer size to the system.
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof(SECURITY_ATTRIBUTES);
    attributes.lpSecurityDescriptor = nullptr;
    attributes.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &attributes, 0)) return LastError();
    APipe.ReadEnd = FileHandle(readEnd);
    APipe.WriteEnd = FileHandle(writeEnd);
    return {};
}

std::size_t ReadPipe(const FileHandle& AReadEnd, char* ABuffer, std::size_t ACount) {
    DWORD count = 0;
    // Fails (ERROR_BROKEN_PIPE) once every holder of the write end has closed it.
    if (!ReadFile(AReadEnd.Get(), ABuffer, static_cast<DWORD>(ACount), &count, nullptr)) return 0;
    return count;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& AOther) noexcept {
    if (this != &AOther) {
        Release();
        FProcess = AOther.FProcess;
        FThread = AOther.FThread;
        FJob = AOther.FJob;
        FProcessId = AOther.FProcessId;
        AOther.FProcess = AOther.FThread = AOther.FJob = NoHandle;
    }
    return *this;
}

void ChildProcess::Wait() noexcept {
    WaitEnded();
    Reap();
}

void ChildProcess::WaitEnded() noexcept {
    if (Started()) WaitForSingleObject(FProcess, INFINITE);
}

ExitStatus ChildProcess::Reap() noexcept {
    if (!Started()) return {};
    DWORD code = 0;
    if (!GetExitCodeProcess(FProcess, &code)) code = 0;
    Release();
    return {false, static_cast<int>(code)};
}

void ChildProcess::StopTree(TStopStep AStep) const noexcept {
    if (!Started()) return;
    if (AStep == TStopStep::Interrupt) {
        // The child leads a process group of its own: the break reaches it and whoever
        // shares its console.
        GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, FProcessId);
        return;
    }
    // The job holds everything the child started.
    if (FJob != NoHandle) TerminateJobObject(FJob, 1);
    if (AStep == TStopStep::Kill) TerminateProcess(FProcess, 1);
}

// The job ends what the child left running when the run ends.
bool ChildProcess::OthersAlive() const noexcept { return false; }

void ChildProcess::Release() noexcept {
    // Closing the handles leaves a running child running, but the job, once its last
    // handle is closed, ends whatever is still in it.
    CloseIfOpen(FThread);
    CloseIfOpen(FProcess);
    CloseIfOpen(FJob);
}

bool WaitReadable(const FileHandle&, int) { return true; }

bool WritePipe(const FileHandle& AWriteEnd, const char* ABytes, std::size_t ACount) {
    while (ACount > 0) {
        DWORD written = 0;
        if (!WriteFile(AWriteEnd.Get(), ABytes, static_cast<DWORD>(ACount), &written, nullptr) || written == 0)
            return false;
        ABytes += written;
        ACount -= written;
    }
    return true;
}

// Anonymous pipes have no waiting write here: the write blocks until done, and stopping
// the tree ends the reader, which ends the write.
std::ptrdiff_t WritePipeSome(const FileHandle& AWriteEnd, const char* ABytes, std::size_t ACount, int) {
    return WritePipe(AWriteEnd, ABytes, ACount) ? static_cast<std::ptrdiff_t>(ACount) : -1;
}

TCommandProblem SetCommand(ProcessStartInfo& AInfo, const std::string& ACommand, bool AThroughInterpreter) {
    if (AThroughInterpreter) {
        // With /S, cmd.exe strips exactly the outer pair of quotes and keeps every other
        // quote of the line, whatever the line starts with.
        AInfo.CommandLine = "cmd.exe /S /C \"" + ACommand + '"';
        AInfo.Program = "cmd.exe";
        return TCommandProblem::None;
    }
    // The system takes the first word, or the quoted text at the start, as the program.
    const std::size_t start = ACommand.find_first_not_of(" \t");
    if (start == std::string::npos) return TCommandProblem::NoProgram;
    AInfo.CommandLine = ACommand;
    if (ACommand[start] == '"') {
        const std::size_t close = ACommand.find('"', start + 1);
        if (close == std::string::npos) return TCommandProblem::OpenQuote;
        AInfo.Program = ACommand.substr(start + 1, close - start - 1);
    } else {
        AInfo.Program = ACommand.substr(start, ACommand.find_first_of(" \t", start) - start);
    }
    return TCommandProblem::None;
}

namespace {

// A job that ends every process in it when its last handle is closed.
HANDLE CreateKillOnCloseJob() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    return job;
}

// The null device as an inheritable handle, for a child that gets no input.
HANDLE OpenNullInput() {
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof(SECURITY_ATTRIBUTES);
    attributes.bInheritHandle = TRUE;
    return CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes,
                       OPEN_EXISTING, 0, nullptr);
}

// The attribute list of a start: the only handles a child inherits, or the pseudo console
// it is attached to.
class StartAttributes {
public:
    explicit StartAttributes(std::vector<HANDLE> AHandles) : FHandles(std::move(AHandles)) {
        if (!Initialise()) return;
        FReady = UpdateProcThreadAttribute(List(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, FHandles.data(),
                                           FHandles.size() * sizeof(HANDLE), nullptr, nullptr);
    }
    explicit StartAttributes(void* AConsole) {
        if (!Initialise()) return;
        FReady = UpdateProcThreadAttribute(List(), 0, PROC_THREAD_ATTRIBUTE_PSEUDOCONSOLE, AConsole,
                                           sizeof(AConsole), nullptr, nullptr);
    }
    ~StartAttributes() {
        if (FInitialised) DeleteProcThreadAttributeList(List());
    }
    StartAttributes(const StartAttributes&) = delete;
    StartAttributes& operator=(const StartAttributes&) = delete;

    bool Ready() const { return FReady; }
    LPPROC_THREAD_ATTRIBUTE_LIST List() { return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(FBuffer.data()); }

private:
    bool Initialise() {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        FBuffer.resize(size);
        FInitialised = InitializeProcThreadAttributeList(List(), 1, 0, &size);
        return FInitialised;
    }

    std::vector<HANDLE> FHandles;
    std::vector<char> FBuffer;
    bool FInitialised = false;
    bool FReady = false;
};

}  // namespace

// The child's environment block: ours with AExtra ("NAME=value") in place of the
// variables it names (names compare without regard to case); empty for no extra, which
// passes ours on unchanged.
static std::wstring EnvironmentBlock(const std::vector<std::string>& AExtra) {
    if (AExtra.empty()) return {};
    std::vector<std::wstring> extra;
    for (const std::string& entry : AExtra) extra.push_back(ToWide(entry));
    const auto sameName = [](const std::wstring& AEntry, const std::wstring& AOther) {
        const std::size_t size = AOther.find(L'=');
        return size != std::wstring::npos && AEntry.size() > size && AEntry[size] == L'=' &&
               CompareStringOrdinal(AEntry.c_str(), static_cast<int>(size), AOther.c_str(), static_cast<int>(size),
                                    TRUE) == CSTR_EQUAL;
    };
    std::wstring block;
    wchar_t* ours = GetEnvironmentStringsW();
    for (const wchar_t* entry = ours; entry && *entry; entry += std::wcslen(entry) + 1) {
        const std::wstring text(entry);
        bool replaced = false;
        for (const std::wstring& other : extra) replaced = replaced || sameName(text, other);
        if (!replaced) block += text + L'\0';
    }
    if (ours) FreeEnvironmentStringsW(ours);
    for (const std::wstring& entry : extra) block += entry + L'\0';
    block += L'\0';
    return block;
}

StartError StartProcess(const ProcessStartInfo& AInfo, ChildProcess& AChild) {
    using TStage = StartError::TStage;

    const bool onConsole = AInfo.Console != nullptr;
    FileHandle nullInput;
    HANDLE input = AInfo.InputFd;
    if (input == NoHandle && !onConsole) {
        const HANDLE opened = OpenNullInput();
        if (opened == INVALID_HANDLE_VALUE) return {TStage::Program, LastError()};
        nullInput = FileHandle(opened);
        input = opened;
    }
    std::optional<StartAttributes> attributes;
    if (onConsole) {
        const std::lock_guard lock(AInfo.Console->Mutex);
        if (AInfo.Console->Handle == nullptr)
            return {TStage::Program, std::make_error_code(std::errc::bad_file_descriptor)};
        attributes.emplace(AInfo.Console->Handle);
    } else {
        std::vector<HANDLE> inherited{AInfo.OutputFd};
        if (input != AInfo.OutputFd) inherited.push_back(input);
        attributes.emplace(std::move(inherited));
    }
    if (!attributes->Ready()) return {TStage::Program, LastError()};

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(STARTUPINFOEXW);
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;  // 0x101
    startup.StartupInfo.wShowWindow = SW_HIDE;
    if (onConsole) {
        // Null standard handles: the child takes the console's. Without the flag, the
        // system copies it the handles our own standard streams are redirected to (a pipe,
        // a file), and its output goes there instead of to the console.
        startup.StartupInfo.hStdInput = startup.StartupInfo.hStdOutput = startup.StartupInfo.hStdError = nullptr;
    } else {
        startup.StartupInfo.hStdInput = input;
        startup.StartupInfo.hStdOutput = AInfo.OutputFd;
        startup.StartupInfo.hStdError = AInfo.OutputFd;
    }
    startup.lpAttributeList = attributes->List();

    HANDLE job = CreateKillOnCloseJob();
    // CreateProcessW may write into the command line, so it gets its own copy. The folder
    // goes on as given: the system refuses an empty one (ERROR_DIRECTORY). The child
    // starts suspended so that it is in the job before it can start anything itself.
    std::wstring commandLine = ToWide(AInfo.CommandLine);
    const std::wstring workingDir = ToWide(AInfo.WorkingDir);
    PROCESS_INFORMATION process{};
    std::wstring environment = EnvironmentBlock(AInfo.Environment);
    // A child on a console shares its process group, so that Ctrl+C typed there reaches it
    // as it would in a terminal window; it inherits no handle of ours.
    const DWORD flags = EXTENDED_STARTUPINFO_PRESENT | CREATE_SUSPENDED |
                        (onConsole ? 0 : CREATE_NEW_PROCESS_GROUP) |
                        (environment.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, onConsole ? FALSE : TRUE, flags,
                        environment.empty() ? nullptr : environment.data(),
                        workingDir.c_str(), &startup.StartupInfo, &process)) {
        const std::error_code reason = LastError();
        if (job != nullptr) CloseHandle(job);
        if (reason.value() == ERROR_DIRECTORY) return {TStage::WorkingDir, reason};
        return {TStage::Program, reason};
    }
    if (job != nullptr && !AssignProcessToJobObject(job, process.hProcess)) {
        // Without a job (a system that refuses nested jobs) the child still runs; a stop
        // then reaches the child itself.
        CloseHandle(job);
        job = nullptr;
    }
    ResumeThread(process.hThread);
    AChild = ChildProcess(process.hProcess, process.hThread, job, process.dwProcessId);
    return {};
}

}  // namespace platform
