#pragma once

#include <optional>
#include <string>

namespace platform {

// One argument (UTF-8) written so that /bin/sh hands it to the program unchanged:
// left bare when it holds only characters the shell never treats specially, otherwise
// in single quotes, with each single quote written as '\''.
std::string QuoteForSh(const std::string& AArgument);

// One argument written so that the C runtime's argument rules on Windows give it back
// unchanged: bare when it has no blank or double quote, otherwise in double quotes with
// quotes and the backslashes before them escaped.
std::string QuoteForCrt(const std::string& AArgument);

// One argument written for "cmd.exe /C" followed by a program that reads its arguments
// with the C runtime's rules: QuoteForCrt, then every character that cmd.exe acts on
// (( ) % ! ^ " < > & |) preceded by a caret. Nothing when the argument holds a line
// break, which no cmd.exe command line can carry.
std::optional<std::string> QuoteForCmd(const std::string& AArgument);

// The running system's way of writing an argument into a command line that goes to its
// command interpreter (QuoteForSh on POSIX, QuoteForCmd on Windows). Nothing when the
// argument holds a NUL byte, which no command line can carry.
std::optional<std::string> QuoteArgument(const std::string& AArgument);

}  // namespace platform
