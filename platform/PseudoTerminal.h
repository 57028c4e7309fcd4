#pragma once

#include <memory>
#include <string>
#include <system_error>

#include "platform/Process.h"

namespace platform {

// A terminal's size in character cells.
struct TerminalSize {
    int Columns = 80;
    int Rows = 24;
};

// A Windows pseudo console (PseudoTerminalWin32.cpp).
struct PseudoConsole;

// A pseudo-terminal: its owner reads what the child writes from Master and writes to
// Master what the child reads as typed. A child started with TerminalName in its
// ProcessStartInfo gets the other side as its controlling terminal. Slave is our own
// hold on that side: while it is open, the master does not report an end before the
// child has opened its side; close it once the child has started, so that the master
// reports the end (POSIX: EIO, which ReadPipe takes as the end) once the child's tree
// has closed its side (ReleaseChildSide).
//
// Windows: a pseudo console between two pipes. Master reads what the console shows, Input
// writes what its programs read as typed, and a child started with Console in its
// ProcessStartInfo is attached to it; Slave and SlaveName stay empty.
struct PseudoTerminal {
    // Windows only. The first member, so that it goes last, after the pipe ends: closing
    // the console can then never wait for a reader that has gone.
    std::shared_ptr<PseudoConsole> Console;
    FileHandle Master;
    // A second handle on Master, for a writer of its own (one that may make it
    // non-blocking: reads of Master then wait in ReadPipe all the same). Windows: the
    // console's input pipe.
    FileHandle Input;
    FileHandle Slave;
    std::string SlaveName;
};

// Whether this system gives runs a pseudo-terminal. Windows: where the system has pseudo
// consoles (Windows 10 1809 on), except under wine (PseudoTerminalWin32.cpp); runs keep
// their pipe elsewhere.
bool PseudoTerminalSupported();

// Opens a pseudo-terminal of ASize with both ends close-on-exec (Windows: not
// inheritable).
std::error_code OpenPseudoTerminal(PseudoTerminal& ATerminal, TerminalSize ASize);

// Gives ATerminal a new size; its foreground programs are told (SIGWINCH; Windows: a
// window size event). Thread-safe against ReleaseChildSide's close; after that close it
// does nothing.
std::error_code ResizePseudoTerminal(const PseudoTerminal& ATerminal, TerminalSize ASize);

// Lets go of our hold on the child's side once the child has started (or failed to), so
// that Master reports the end once the child is done. POSIX: closes Slave; Master ends
// once the child's tree has closed the terminal. Windows: the pseudo console is closed
// once AChild's process has ended, on a thread of its own, since closing it waits until
// what it still shows has been read (a pseudo console's output never ends while the
// console is open).
void ReleaseChildSide(PseudoTerminal& ATerminal, const ChildProcess& AChild);

// What a program on the terminal reads as the end of its input: Ctrl+D (POSIX); Ctrl+Z
// and Enter (Windows).
const char* EndOfInputKeys();

}  // namespace platform
