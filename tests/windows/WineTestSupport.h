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
//   --write-console HEX    writes them to its console (CONOUT$); exits with 2 without one
//   --print-arguments ...  writes each following argument, as the C runtime reads it, in
//                          hexadecimal UTF-8 on a line of its own
//   --write-settings FILE KEY COUNT
//                          writes KEY=KEY1 .. KEY<COUNT> to section Settings of FILE, reading
//                          each back; exits with the number of values found changed (at
//                          most 99), or 100 when a write failed
//   --handle-usable HEX    exits with 0 when the handle value is a handle of its own, 1 if not
//   --sleep MS             waits that long, then exits with 0
//   --echo-input           copies standard input to standard output, then exits with 7
//   --echo-console         writes "read:" and each piece its console reads (CONIN$) to the
//                          console (CONOUT$) until a line starts with Ctrl+Z, then exits
//                          with 7
inline const char* const PrintCommandLineArgument = "--print-command-line";
inline const char* const WriteBytesArgument = "--write-bytes";
inline const char* const WriteConsoleArgument = "--write-console";
inline const char* const WriteSettingsArgument = "--write-settings";
inline const char* const PrintArgumentsArgument = "--print-arguments";
inline const char* const HandleUsableArgument = "--handle-usable";
inline const char* const SleepArgument = "--sleep";
inline const char* const EchoInputArgument = "--echo-input";
inline const char* const EchoConsoleArgument = "--echo-console";
// For the php.exe stand-in: prints the named environment variable's value in hex, "-"
// when it is not set.
inline const char* const PrintVariableArgument = "--print-variable";

inline std::string Utf8(const std::filesystem::path& APath) { return platform::Utf8FromPath(APath); }

// The command that starts this test executable as a child with AArguments.
inline std::string SelfCommand(const std::string& AArguments) {
    return "\"" + platform::ModuleFileName() + "\" " + AArguments;
}

}  // namespace testsupport
