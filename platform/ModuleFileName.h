#pragma once

#include <string>

namespace platform {

// Full path of the running executable ("" when the system cannot tell).
std::string ModuleFileName();

}  // namespace platform
