#include "platform/QuitSignals.h"

namespace platform {

// A windowed program on Windows is asked to end through its window (WM_CLOSE,
// WM_ENDSESSION), which Qt turns into the window's close.
int WatchQuitSignals() { return -1; }

void DrainQuitSignals(int) {}

}  // namespace platform
