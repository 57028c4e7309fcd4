#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/PrivateProfile.h"

// The INI rules of PrivateProfile.h on the bytes of a file, without touching the
// file itself: the POSIX service reads and replaces files around these, and on
// Windows they stand beside the system's own functions for comparison. A missing
// file reads as an empty one.
namespace platform::portable {

std::string ReadProfileValue(std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::string_view fileBytes);

std::vector<std::string> ProfileKeyNames(std::string_view section, std::string_view fileBytes);

// The keys of a section with their values as ReadProfileValue gives them, in file order;
// where a name appears twice the first one wins. One pass over the file.
std::vector<std::pair<std::string, std::string>> ProfileSection(std::string_view section, std::string_view fileBytes);

// False for a name or value that would not read back as written (a line break or
// NUL anywhere, a key with "=" or starting with "[" or ";").
bool IsWritableEntry(std::string_view section, std::string_view key, std::string_view value);

// The value as it goes into the file: in double quotes when it begins or ends with a
// blank or is itself enclosed in quotation marks, since reading drops blanks around a
// value and one pair of enclosing quotation marks; as given otherwise.
std::string ValueForWriting(std::string_view value);

// The file's new bytes after writing the key (its value through ValueForWriting): the line of an existing key is
// replaced in place, a new key or section is added with CR LF, every other line
// and the file's encoding stay as they were.
std::string WriteProfileValue(std::string_view section, std::string_view key, std::string_view value,
                              std::string_view fileBytes);

// WriteProfileValue for each entry in turn, on one reading of the file.
std::string WriteProfileValues(std::string_view section,
                               const std::vector<std::pair<std::string, std::string>>& entries,
                               std::string_view fileBytes);

}  // namespace platform::portable
