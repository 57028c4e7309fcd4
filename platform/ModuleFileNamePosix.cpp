#include "platform/ModuleFileName.h"

#include <filesystem>
#include <system_error>

namespace platform {

const char* const kPathSeparators = "/";

std::string ModuleFileName() {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

}  // namespace platform
