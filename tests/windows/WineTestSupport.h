#pragma once

// What the Windows tests share: the test executable as a child program, and UTF-8 paths.

#include <filesystem>
#include <string>

#include "platform/ModuleFileName.h"
#include "platform/Utf8.h"

namespace testsupport {

// Arguments that make windows_tests.exe act as a child program instead of running tests:
//   --print-command-line   writes its own command line (GetCommandLineW, as UTF-8)
//   --write-bytes HEX      writes the bytes given as hexadecimal pairs to standard output
//   --handle-usable HEX    exits with 0 when the handle value is a handle of its own, 1 if not
//   --sleep MS             waits that long, then exits with 0
//   --echo-input           copies standard input to standard output, then exits with 7
inline const char* const PrintCommandLineArgument = "--print-command-line";
inline const char* const WriteBytesArgument = "--write-bytes";
inline const char* const HandleUsableArgument = "--handle-usable";
inline const char* const SleepArgument = "--sleep";
inline const char* const EchoInputArgument = "--echo-input";

inline std::string Utf8(const std::filesystem::path& APath) { return platform::Utf8FromPath(APath); }

// The command that starts this test executable as a child with AArguments.
inline std::string SelfCommand(const std::string& AArguments) {
    return "\"" + platform::ModuleFileName() + "\" " + AArguments;
}

}  // namespace testsupport
