#include "components/IniFileParser.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "components/Exception.h"
#include "platform/ModuleFileName.h"
#include "platform/PrivateProfile.h"

namespace {

// The name as an absolute, normalised path, for messages.
std::string ExpandFileName(const std::string& fileName) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(fileName, error);
    return error ? fileName : absolute.lexically_normal().string();
}

// Creates the file empty unless a file of that name exists; 0 on success, else
// the errno of the failure. A folder of that name is not a file. A blank name
// is refused rather than made into a file of blanks.
int CreateFileIfMissing(const std::string& fileName, bool blankName) {
    if (blankName) return EINVAL;
    struct stat status {};
    if (::stat(fileName.c_str(), &status) == 0) return S_ISDIR(status.st_mode) ? EISDIR : 0;
    // No O_TRUNC: should the file appear meanwhile, its bytes are kept.
    const int descriptor = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (descriptor < 0) return errno;
    return ::close(descriptor) == 0 ? 0 : errno;
}

}  // namespace

void TIniFileParser::setIniFileName(const std::string& AValue) {
    FIniFileName = AValue;
    // The file is created with no byte-order mark: zero bytes.
    if (const int error = CreateFileIfMissing(AValue, !IsFilledIn(AValue))) {
        throw Exception("Cannot create file \"" + ExpandFileName(AValue) + "\". " +
                        std::strerror(error));
    }
}

std::string TIniFileParser::ReadVal(const std::string& ASection, const std::string& AIdent,
                                    const std::string& ADefault) const {
    if (!IsFilledIn(FIniFileName)) return "";
    return platform::GetPrivateProfileString(ASection, AIdent, ADefault, FIniFileName);
}

bool TIniFileParser::WriteVal(const std::string& ASection, const std::string& AIdent,
                              const std::string& AValue) const {
    if (!IsFilledIn(FIniFileName)) return true;
    try {
        if (!platform::WritePrivateProfileString(ASection, AIdent, AValue, FIniFileName)) {
            throw Exception("Unable to write to " + FIniFileName);
        }
        return true;
    } catch (...) {
        return false;  // a failed store is not reported
    }
}

bool TIniFileParser::IsSectionFilledIn(const std::string& ASectionName) const {
    if (!IsFilledIn(FIniFileName)) return false;
    const auto names = platform::GetPrivateProfileKeyNames(ASectionName, FIniFileName);
    return !names.empty() && std::all_of(names.begin(), names.end(), [&](const std::string& name) {
        return IsFilledIn(ReadVal(ASectionName, name, ""));
    });
}

std::string TIniFileParser::ReadApplicationPath() {
    const std::string executable = platform::ModuleFileName();
    if (executable.empty()) return "";
    const std::string folder = std::filesystem::path(executable).parent_path().string();
    return folder.ends_with('/') ? folder : folder + "/";
}

bool TIniFileParser::IsFilledIn(const std::string& AText) {
    // Every byte of a multi-byte UTF-8 character is above 0x7F, so a byte test
    // finds exactly the characters of code U+0020 or below.
    return std::any_of(AText.begin(), AText.end(),
                       [](char c) { return static_cast<unsigned char>(c) > 0x20; });
}
