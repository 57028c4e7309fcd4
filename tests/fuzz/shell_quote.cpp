// Quoting a palette value for the command interpreters.
//
// Input: the value's bytes.
//
// Oracles: for /bin/sh the real shell runs "sh -c 'printf %s "$1"' sh <quoted>" and
// prints the value back byte for byte (a value with a null byte cannot reach a
// program's arguments and is left out). For Windows, where no interpreter runs
// here, the value quoted for the C runtime parses back, by the runtime's argument
// rules, as exactly that one argument; quoted for cmd.exe it is refused exactly when
// it holds a line break, leaves cmd.exe no variable to expand and no character to act
// on, and after cmd.exe's two passes parses back the same way.

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/ShellQuote.h"

namespace {

using fuzz::Check;
using fuzz::ShellOutput;


// The arguments after the program name, by the C runtime's rules: blanks (space, tab)
// separate arguments outside quotes; 2n backslashes before a quote give n and the quote
// opens or closes quoting, 2n+1 give n and a literal quote; "" inside quotes is a
// literal quote; other backslashes are literal.
std::vector<std::string> CrtArguments(const std::string& line) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i == line.size()) return arguments;
        std::string argument;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') ++backslashes, ++i;
            if (i < line.size() && line[i] == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    argument += '"';
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                argument.append(backslashes, '\\');
                if (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) argument += line[i++];
            }
        }
        arguments.push_back(argument);
    }
}

// cmd.exe's first pass over a command line, which expands variables before it looks
// at carets or quotes: a % opens a name that the next % closes; an empty name keeps the
// first % and goes on at the second, and %cd:~,% expands to nothing. Nothing when any
// other name would be looked up (%NAME%, %NAME:~0,5%, %NAME:a=b%), since the
// environment decides what that gives.
std::optional<std::string> AfterPercentPass(const std::string& line) {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '%') {
            out += line[i];
            continue;
        }
        const std::size_t close = line.find('%', i + 1);
        if (close == std::string::npos) {
            out += line.substr(i);
            break;
        }
        const std::string name = line.substr(i + 1, close - i - 1);
        if (name.empty()) {
            out += '%';
        } else if (name == "cd:~,") {
            i = close;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

// cmd.exe's second pass, which hands the line on: outside quotes a caret takes the next character literally and is dropped; a quote not preceded by a
// caret opens or closes a quoted stretch, inside which carets are literal. Nothing when
// cmd.exe would act on a character (one of ( ) ! < > & | without its caret, outside
// quotes, or ! inside them unless delayed expansion is known to be off, as it is
// by default).
std::optional<std::string> AfterCaretPass(const std::string& line, bool ABangInQuotesExpands) {
    std::string out;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"') quoted = false;
            if (c == '!' && ABangInQuotesExpands) return std::nullopt;
            out += c;
        } else if (c == '^') {
            if (++i < line.size()) out += line[i];
        } else if (c == '"') {
            quoted = true;
            out += c;
        } else if (c != '\0' && std::strchr("()!<>&|", c) != nullptr) {
            return std::nullopt;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> AfterCmd(const std::string& line) {
    const std::optional<std::string> expanded = AfterPercentPass(line);
    if (!expanded) return std::nullopt;
    return AfterCaretPass(*expanded, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string value(reinterpret_cast<const char*>(data), size);

    if (value.find('\0') == std::string::npos && value.size() <= 1024) {
        const std::string quoted = platform::QuoteForSh(value);
        Check(ShellOutput("sh -c 'printf %s \"$1\"' sh " + quoted) == value,
              "a value quoted for sh does not come back byte for byte");
    }

    const std::string crt = platform::QuoteForCrt(value);
    Check(CrtArguments(crt) == std::vector<std::string>{value}, "a value quoted for the C runtime parses otherwise");

    const std::optional<std::string> cmd = platform::QuoteForCmd(value);
    Check(cmd.has_value() == (value.find_first_of("\r\n") == std::string::npos),
          "cmd.exe quoting refuses other than line breaks");
    if (cmd) {
        Check(cmd->find_first_of("\r\n") == std::string::npos, "cmd.exe quoting gives a line break");
        const std::optional<std::string> handed = AfterCmd(*cmd);
        Check(handed.has_value(), "cmd.exe would act on a character of a quoted value");
        Check(CrtArguments(*handed) == std::vector<std::string>{value}, "a value quoted for cmd.exe parses otherwise");
    }

    // A batch file's %* is read by cmd.exe a second time, without the percent pass, so
    // the value must hold nothing outside quotes that either reading acts on.
    const std::optional<std::string> batch = platform::QuoteForBatch(value);
    Check(batch.has_value() == (value.find_first_of(std::string("\r\n\0%", 4)) == std::string::npos),
          "batch quoting refuses other than line breaks, NUL and percent signs");
    if (batch) {
        const std::optional<std::string> expanded = AfterPercentPass(*batch);
        Check(expanded.has_value(), "cmd.exe would expand a variable in a value quoted for a batch file");
        const std::optional<std::string> handed = AfterCaretPass(*expanded, false);
        Check(handed.has_value() && AfterCaretPass(*handed, false) == handed,
              "cmd.exe would act on a character of a value quoted for a batch file");
        Check(CrtArguments(*handed) == std::vector<std::string>{value}, "a value quoted for a batch file parses otherwise");
    }
    return 0;
}
