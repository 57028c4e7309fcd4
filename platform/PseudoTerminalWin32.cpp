#include "platform/PseudoTerminal.h"

#include "platform/PseudoConsoleWin32.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <utility>

namespace platform {

namespace {

// The pseudo console functions, looked up at run time: Windows before 10 1809 and some
// wine versions lack them, and a program that imported them would not start there.
struct ConsoleFunctions {
    using TCreate = HRESULT(WINAPI*)(COORD, HANDLE, HANDLE, DWORD, void**);
    using TResize = HRESULT(WINAPI*)(void*, COORD);
    using TClose = void(WINAPI*)(void*);
    TCreate Create = nullptr;
    TResize Resize = nullptr;
    TClose Close = nullptr;

    ConsoleFunctions() {
        const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        if (kernel == nullptr) return;
        Create = reinterpret_cast<TCreate>(reinterpret_cast<void*>(GetProcAddress(kernel, "CreatePseudoConsole")));
        Resize = reinterpret_cast<TResize>(reinterpret_cast<void*>(GetProcAddress(kernel, "ResizePseudoConsole")));
        Close = reinterpret_cast<TClose>(reinterpret_cast<void*>(GetProcAddress(kernel, "ClosePseudoConsole")));
    }
    bool Present() const { return Create != nullptr && Resize != nullptr && Close != nullptr; }
};

const ConsoleFunctions& Functions() {
    static const ConsoleFunctions functions;
    return functions;
}

// Wine (8.0) has the pseudo console functions, but a child started on one does not get
// the console as its standard handles: with null handles (what Windows takes for "the
// console's") its writes fail, and without the flag it writes to our own standard output.
// Its output would never reach the console's pipe (and resizes answer "not implemented"),
// so runs keep their pipe under wine.
bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::error_code Win32Error(DWORD ACode) { return {static_cast<int>(ACode), std::system_category()}; }

std::error_code FromResult(HRESULT AResult) {
    if (SUCCEEDED(AResult)) return {};
    // HRESULT_FROM_WIN32 carries the Win32 code in its low word.
    if (HRESULT_FACILITY(AResult) == FACILITY_WIN32) return Win32Error(HRESULT_CODE(AResult));
    return {static_cast<int>(AResult), std::system_category()};
}

COORD Cells(TerminalSize ASize) {
    return {static_cast<SHORT>(std::clamp(ASize.Columns, 1, SHRT_MAX)),
            static_cast<SHORT>(std::clamp(ASize.Rows, 1, SHRT_MAX))};
}

}  // namespace

PseudoConsole::~PseudoConsole() {
    if (Quit != nullptr) SetEvent(Quit);
    if (Closer.joinable()) Closer.join();
    if (Quit != nullptr) CloseHandle(Quit);
    Close();
}

void PseudoConsole::Close() noexcept {
    void* handle = nullptr;
    {
        const std::lock_guard lock(Mutex);
        handle = std::exchange(Handle, nullptr);
    }
    // Outside the lock: the close may wait for a reader, and a resize must not wait with it.
    if (handle != nullptr) Functions().Close(handle);
}

bool PseudoTerminalSupported() {
    static const bool supported = Functions().Present() && !UnderWine();
    return supported;
}

std::error_code OpenPseudoTerminal(PseudoTerminal& ATerminal, TerminalSize ASize) {
    if (!Functions().Present()) return std::make_error_code(std::errc::function_not_supported);
    // Neither pipe is inheritable: the console host gets its ends from the call, and the
    // child reaches them through the console only.
    HANDLE inputRead = nullptr;
    HANDLE inputWrite = nullptr;
    if (!::CreatePipe(&inputRead, &inputWrite, nullptr, 0)) return Win32Error(GetLastError());
    FileHandle consoleInput(inputRead);
    FileHandle input(inputWrite);
    HANDLE outputRead = nullptr;
    HANDLE outputWrite = nullptr;
    if (!::CreatePipe(&outputRead, &outputWrite, nullptr, 0)) return Win32Error(GetLastError());
    FileHandle master(outputRead);
    FileHandle consoleOutput(outputWrite);

    auto console = std::make_shared<PseudoConsole>();
    if (const auto error = FromResult(
            Functions().Create(Cells(ASize), consoleInput.Get(), consoleOutput.Get(), 0, &console->Handle)))
        return error;
    // The console host holds its own copies of its ends: ours going lets the output end
    // once the host has gone.
    ATerminal.Console = std::move(console);
    ATerminal.Master = std::move(master);
    ATerminal.Input = std::move(input);
    return {};
}

std::error_code ResizePseudoTerminal(const PseudoTerminal& ATerminal, TerminalSize ASize) {
    if (!ATerminal.Console) return std::make_error_code(std::errc::bad_file_descriptor);
    PseudoConsole& console = *ATerminal.Console;
    const std::lock_guard lock(console.Mutex);
    if (console.Handle == nullptr) return {};
    return FromResult(Functions().Resize(console.Handle, Cells(ASize)));
}

void ReleaseChildSide(PseudoTerminal& ATerminal, const ChildProcess& AChild) {
    ATerminal.Slave.Close();
    if (!ATerminal.Console || ATerminal.Console->Closer.joinable()) return;
    // A handle of the closer's own, valid however long the child's owner keeps its own.
    HANDLE process = nullptr;
    if (!AChild.Started() || !DuplicateHandle(GetCurrentProcess(), AChild.ProcessHandle(), GetCurrentProcess(),
                                              &process, SYNCHRONIZE, FALSE, 0)) {
        // Nothing runs on the console (or nothing can tell when it stops): it goes now.
        ATerminal.Console->Close();
        return;
    }
    PseudoConsole* console = ATerminal.Console.get();
    console->Quit = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (console->Quit == nullptr) {
        CloseHandle(process);
        console->Close();
        return;
    }
    console->Closer = std::thread([console, process] {
        const HANDLE ends[] = {process, console->Quit};
        WaitForMultipleObjects(2, ends, FALSE, INFINITE);
        CloseHandle(process);
        console->Close();
    });
}

const char* EndOfInputKeys() { return "\x1a\r"; }

}  // namespace platform
