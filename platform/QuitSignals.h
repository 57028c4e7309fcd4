#pragma once

// The requests to end the program that come from outside it: SIGTERM, SIGINT and SIGHUP
// on POSIX (a logout, kill, Ctrl+C in the terminal that started it).
namespace platform {

// From now on those signals no longer end the program at once: each writes a byte to a
// pipe whose read end this returns, for the event loop to watch; then the program can
// stop what it started before it ends. -1 where there is no such signal (Windows) or the
// pipe cannot be made.
int WatchQuitSignals();

// Takes the bytes waiting on the read end.
void DrainQuitSignals(int AReadFd);

}  // namespace platform
