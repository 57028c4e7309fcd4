#pragma once

#include <string>

namespace platform {

// The characters that end a folder name in a path: "/" on POSIX, "\\" and "/" on Windows.
extern const char* const kPathSeparators;

// Full path of the running executable ("" when the system cannot tell).
std::string ModuleFileName();

}  // namespace platform
