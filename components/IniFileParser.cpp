#include "components/IniFileParser.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "components/Exception.h"
#include "platform/AtomicFile.h"
#include "platform/ModuleFileName.h"
#include "platform/PrivateProfile.h"
#include "platform/Utf8.h"

namespace {

// The name as an absolute, normalised path, for messages.
std::string ExpandFileName(const std::string& fileName) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(platform::PathFromUtf8(fileName), error);
    return error ? fileName : platform::Utf8FromPath(absolute.lexically_normal());
}

// Creates the file empty unless a file of that name exists; 0 on success, else
// the errno of the failure. A folder of that name is not a file. A blank name
// is refused rather than made into a file of blanks.
int CreateFileIfMissing(const std::string& fileName, bool blankName) {
    if (blankName) return EINVAL;
    std::error_code ignored;
    const auto status = std::filesystem::status(platform::PathFromUtf8(fileName), ignored);
    if (std::filesystem::exists(status)) return std::filesystem::is_directory(status) ? EISDIR : 0;
    return platform::CreateFileIfMissing(fileName);
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
    FLastWriteError.clear();
    if (!IsFilledIn(FIniFileName)) return true;
    try {
        errno = 0;
        if (!platform::WritePrivateProfileString(ASection, AIdent, AValue, FIniFileName)) {
            const int reason = errno;
            FLastWriteError = reason != 0 ? std::strerror(reason) : "Unable to write to " + FIniFileName;
            throw Exception("Unable to write to " + FIniFileName);
        }
        return true;
    } catch (const std::exception& error) {
        if (FLastWriteError.empty()) FLastWriteError = error.what();
    } catch (...) {
        if (FLastWriteError.empty()) FLastWriteError = "Unable to write to " + FIniFileName;
    }
    return false;  // the caller decides whether to tell
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
    // The folder with its closing separator: "/" on POSIX, "\\" on Windows.
    const std::size_t last = executable.find_last_of(platform::kPathSeparators);
    return last == std::string::npos ? "" : executable.substr(0, last + 1);
}

bool TIniFileParser::IsFilledIn(const std::string& AText) {
    // Every byte of a multi-byte UTF-8 character is above 0x7F, so a byte test
    // finds exactly the characters of code U+0020 or below.
    return std::any_of(AText.begin(), AText.end(),
                       [](char c) { return static_cast<unsigned char>(c) > 0x20; });
}
