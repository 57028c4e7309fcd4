#pragma once

#include <string>

namespace platform {

// The system's separator in a path.
extern const char PathSeparator;

// A native path without the separators at its end, except the one that names a root
// ("/", "C:\").
std::string WithoutEndSeparators(const std::string& ANativePath);

}  // namespace platform
