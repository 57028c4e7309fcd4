#pragma once

#include <string>

namespace platform {

// The PHP program commands should call: "php" when the search path has one, otherwise
// (on Windows) the full path of one in the usual PHP folders; empty when none is found.
std::string FindPhpProgram();

// Whether a program of that name (without a suffix) is on the search path.
bool IsOnSearchPath(const std::string& AProgram);

}  // namespace platform
