#pragma once

// The pseudo console behind a PseudoTerminal on Windows (PseudoTerminalWin32.cpp), shared
// with the process start (ProcessWin32.cpp). Windows only.

#include <mutex>
#include <thread>

#include <windows.h>

namespace platform {

struct PseudoConsole {
    PseudoConsole() = default;
    PseudoConsole(const PseudoConsole&) = delete;
    PseudoConsole& operator=(const PseudoConsole&) = delete;
    // Lets the closer go on at once, waits for it, and closes the console if it is still
    // open (which ends what still runs on it).
    ~PseudoConsole();

    // The console (an HPCON), valid until Close.
    void* Handle = nullptr;
    // Guards Handle against a resize while it is being closed.
    std::mutex Mutex;
    // Closes the console once the child's process has ended (ReleaseChildSide), or once
    // Quit is set.
    std::thread Closer;
    HANDLE Quit = nullptr;

    // Closes the console once; waits, on newer systems, until its last output has been read.
    void Close() noexcept;
};

}  // namespace platform
