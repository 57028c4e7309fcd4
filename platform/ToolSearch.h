#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// Whether a program of that name (without a suffix) is on the search path.
bool IsOnSearchPath(const std::string& AProgram);

// Whether projects can be reached inside WSL from here (Windows only).
bool OffersWsl();

// The file that the command interpreter starts for a program named without a folder:
// the first folder of the search path that holds it; on Windows the name may also take
// each suffix that PATHEXT lists (".COM;.EXE;.BAT;.CMD" when it is not set), in that
// order, so that "composer" can give "...\composer.bat". Empty when none is found.
std::string FindOnSearchPath(const std::string& AProgram);

// The folders besides the search path where PHP is usually installed: on Windows
// "php" on the drive root and, for each folder there, the layouts that local-server
// bundles use ("<folder>\php", and "<folder>\bin\php" with one sub-folder per
// version); none elsewhere. A folder ending in "*" stands for its sub-folders.
std::vector<std::string> UsualPhpFolders(const std::string& ADriveRoot = "C:\\");

// The PHP program commands should call: "php" when the search path has one, otherwise
// the full path of the PHP program in the first of AFolders that holds one (of "*"
// sub-folders, the last by name); empty when none is found.
std::string FindPhpProgram(const std::vector<std::string>& AFolders);
inline std::string FindPhpProgram() { return FindPhpProgram(UsualPhpFolders()); }

// A word for a POSIX shell line: unchanged when it holds only characters the shell
// takes literally, otherwise in single quotes ('\'' for each quote inside).
std::string PosixShellWord(const std::string& AText);

// A program path as one word of the command interpreter's line: POSIX quoting for
// /bin/sh, double quotation marks for cmd.exe when the path holds blanks or the like.
std::string ShellProgramWord(const std::string& AProgram);

// The text before a program word on the command interpreter's line that gives the
// program the variable AName (letters, digits, "_") with the value AValue, ending in
// what separates it from the program word: NAME='value' for /bin/sh, set "NAME=value" &&
// for cmd.exe (each % kept from expansion). Nothing when the interpreter cannot carry the
// value verbatim: on Windows a double quote, a line break or a NUL byte; on POSIX a NUL
// byte. cmd.exe removes a variable set to nothing, so there an empty value unsets it.
std::optional<std::string> EnvironmentAssignment(const std::string& AName, const std::string& AValue);

// A whole line for the command interpreter that writes AMessage (one line of plain text
// without "%") to standard error and ends with exit code 1, running nothing else.
std::string FailingLine(const std::string& AMessage);

}  // namespace platform
