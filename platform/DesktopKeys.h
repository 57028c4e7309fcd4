#pragma once

namespace platform {

// The keys that quit a program on this desktop, in the portable text form ("Ctrl+Q");
// empty where the window manager's own key (Alt+F4 on Windows) is the habit.
const char* QuitKeys();

}  // namespace platform
