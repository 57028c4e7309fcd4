#pragma once

#include <string>
#include <vector>

// INI files with the rules of the private-profile functions: section and key names
// match without regard to letter case, a missing file, section or key gives the
// default, blanks around a value are dropped and a pair of enclosing quotation
// marks is removed. Files are UTF-8; a UTF-8 or UTF-16 LE byte-order mark and LF or
// CR LF line ends are read. All text here is UTF-8.
//
// Names fold ASCII letters only. "[name]" opens a section, "name=value" is a key
// inside one; a line starting with ";" and a line without "=" are not keys. Where
// a section or key appears twice, the first one wins.
//
// On Windows these are the system's private-profile functions: 8-bit files are in
// the ANSI code page, and the refusals below are made before the system is called.
// A file that includes <windows.h> must #undef its GetPrivateProfileString and
// WritePrivateProfileString macros to call these.
namespace platform {

// The longest value a read returns, in characters.
constexpr std::size_t kMaxProfileValueLength = 2047;

// A larger file is not read: reads give the default, writes are refused with EFBIG
// and leave it untouched.
constexpr std::size_t kMaxProfileFileBytes = 16 * 1024 * 1024;

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& fileName);

// Key names of a section in file order; empty when the file or section is missing.
std::vector<std::string> GetPrivateProfileKeyNames(const std::string& section,
                                                   const std::string& fileName);

// Creates the file, the section and the key as needed and replaces an existing
// key's value in place, leaving every other line as it was. Lines it adds end in
// CR LF; a UTF-16 LE file stays UTF-16 LE. A value that begins or ends with a blank,
// or is itself enclosed in quotation marks, is written in double quotes so that it
// reads back as given. The new file replaces the old one whole (written beside it
// with its permission bits, flushed, then moved over it: platform/AtomicFile.h),
// under a lock that other writers of the file wait for, and temporary files that
// an interrupted write left behind are removed. False
// when the write was refused; errno then tells why: a file without any write
// permission bit is read-only even for root (EACCES), and a name or value that
// would not read back as written (a line break, a key with "=" or starting with
// "[" or ";") is refused with EINVAL; a file over kMaxProfileFileBytes with EFBIG.
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& fileName);

}  // namespace platform
