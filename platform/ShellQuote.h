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

// One argument written for "cmd.exe /S /C" followed by a program that reads its
// arguments with the C runtime's rules: QuoteForCrt, then every character that cmd.exe
// acts on (( ) ! ^ " < > & |) preceded by a caret, and every % written as
// %%cd:~,% (a kept percent sign and an empty expansion), since cmd.exe expands
// variables before it looks at carets. Nothing when the argument holds a line break,
// which no cmd.exe command line can carry.
std::optional<std::string> QuoteForCmd(const std::string& AArgument);

// One argument written for a batch file (.bat, .cmd) that cmd.exe runs from a command
// line and that hands its arguments on (%*) to a program with the C runtime's rules:
// always in double quotes, so that cmd.exe reads the whole argument, twice, as quoted
// text; a quote inside written "" (which the C runtime reads as one quote) and the
// backslashes before a quote doubled. Nothing when the argument holds a line break, a
// NUL byte or a percent sign: a batch file cannot be given those safely (some
// interpreters expand variables again in the text that %* hands on).
std::optional<std::string> QuoteForBatch(const std::string& AArgument);

// True when Windows runs the program named by APath as a batch file through cmd.exe:
// its name ends in .bat or .cmd, in any case, also with dots or blanks after it, which
// the system drops.
bool IsBatchFile(const std::string& APath);

// True when the running system starts the program at APath as a batch file, through a
// command interpreter that reads its arguments a second time (Windows: IsBatchFile).
bool RunsAsBatchFile(const std::string& APath);

// The running system's way of writing an argument into a command line that goes to its
// command interpreter (QuoteForSh on POSIX, QuoteForCmd on Windows). Nothing when the
// argument holds a NUL byte, which no command line can carry.
std::optional<std::string> QuoteArgument(const std::string& AArgument);

// An argument for the program at AProgram (its path or the file the search path gives
// for it), written into a command line for the command interpreter: on Windows by the
// batch-file rules when the program is a batch file (QuoteForBatch), else as
// QuoteArgument writes it.
std::optional<std::string> QuoteArgumentFor(const std::string& AProgram, const std::string& AArgument);

}  // namespace platform
