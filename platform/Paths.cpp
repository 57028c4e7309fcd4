#include "platform/Paths.h"

#include "platform/PathsText.h"

namespace platform {

std::string JoinPath(const std::string& AFolder, const std::string& AName) {
    if (AFolder.empty()) return AName;
    const std::string folder = WithoutEndSeparators(NativePath(AFolder));
    if (folder.back() == PathSeparator) return folder + AName;
    return folder + PathSeparator + AName;
}

}  // namespace platform
