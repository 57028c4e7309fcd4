#pragma once

namespace platform {

// How this system ends the lines of a text file: CR LF on Windows, LF elsewhere.
const char* NativeLineEnd();

}  // namespace platform
