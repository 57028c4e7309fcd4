#pragma once

#include <string>
#include <system_error>

#include "platform/Process.h"

namespace platform {

// A terminal's size in character cells.
struct TerminalSize {
    int Columns = 80;
    int Rows = 24;
};

// A pseudo-terminal: its owner reads what the child writes from Master and writes to
// Master what the child reads as typed. A child started with TerminalName in its
// ProcessStartInfo gets the other side as its controlling terminal. Slave is our own
// hold on that side: while it is open, the master does not report an end before the
// child has opened its side; close it once the child has started, so that the master
// reports the end (POSIX: EIO, which ReadPipe takes as the end) once the child's tree
// has closed its side.
struct PseudoTerminal {
    FileHandle Master;
    // A second handle on Master, for a writer of its own (one that may make it
    // non-blocking: reads of Master then wait in ReadPipe all the same).
    FileHandle Input;
    FileHandle Slave;
    std::string SlaveName;
};

// Whether this system gives runs a pseudo-terminal. Windows: not yet (runs keep their
// pipe there).
bool PseudoTerminalSupported();

// Opens a pseudo-terminal of ASize with both ends close-on-exec.
std::error_code OpenPseudoTerminal(PseudoTerminal& ATerminal, TerminalSize ASize);

// Gives the terminal behind AMaster a new size; its foreground programs are told
// (SIGWINCH).
std::error_code ResizePseudoTerminal(NativeHandle AMaster, TerminalSize ASize);

}  // namespace platform
