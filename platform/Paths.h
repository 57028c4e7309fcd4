#pragma once

#include <string>

namespace platform {

// A path (UTF-8) with the system's own separator: "\" on Windows, where "/" is taken
// as well; unchanged on POSIX.
std::string NativePath(const std::string& APath);

// A name inside a folder, joined with the system's separator; a separator at the end
// of the folder is not doubled.
std::string JoinPath(const std::string& AFolder, const std::string& AName);

// Whether two paths name the same place by the system's rules for writing it: on
// Windows either separator, and letters in any case; on POSIX the exact text. A
// separator at the end does not count. Links and "." or ".." are not resolved.
bool SamePath(const std::string& A, const std::string& B);

}  // namespace platform
