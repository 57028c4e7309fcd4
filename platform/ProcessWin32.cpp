#include "platform/Process.h"

#include "platform/WideTextWin32.h"

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
        AOther.FProcess = AOther.FThread = NoHandle;
    }
    return *this;
}

void ChildProcess::Wait() noexcept {
    if (!Started()) return;
    WaitForSingleObject(FProcess, INFINITE);
    Release();
}

void ChildProcess::Release() noexcept {
    // Closing the handles leaves a running child running.
    CloseIfOpen(FThread);
    CloseIfOpen(FProcess);
}

TCommandProblem SetCommand(ProcessStartInfo& AInfo, const std::string& ACommand, bool AThroughInterpreter) {
    if (AThroughInterpreter) {
        AInfo.CommandLine = "cmd.exe /C " + ACommand;
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

StartError StartProcess(const ProcessStartInfo& AInfo, ChildProcess& AChild) {
    using TStage = StartError::TStage;

    STARTUPINFOW startup{};
    startup.cb = sizeof(STARTUPINFOW);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;  // 0x101
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = AInfo.OutputFd;
    startup.hStdError = AInfo.OutputFd;

    // CreateProcessW may write into the command line, so it gets its own copy. The folder
    // goes on as given: the system refuses an empty one (ERROR_DIRECTORY).
    std::wstring commandLine = ToWide(AInfo.CommandLine);
    const std::wstring workingDir = ToWide(AInfo.WorkingDir);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        workingDir.c_str(), &startup, &process)) {
        const std::error_code reason = LastError();
        if (reason.value() == ERROR_DIRECTORY) return {TStage::WorkingDir, reason};
        return {TStage::Program, reason};
    }
    AChild = ChildProcess(process.hProcess, process.hThread);
    return {};
}

}  // namespace platform
