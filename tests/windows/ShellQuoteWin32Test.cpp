#include "platform/ShellQuote.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components/Cmd.h"
#include "TempFolder.h"
#include "WineTestSupport.h"

namespace {

// The argument lines that --print-arguments writes, decoded from hexadecimal.
std::vector<std::string> DecodeLines(const std::string& AOutput) {
    std::vector<std::string> values(1);
    for (std::size_t i = 0; i < AOutput.size(); ++i) {
        if (AOutput[i] == '\n') {
            values.emplace_back();
        } else if (AOutput[i] != '\r' && i + 1 < AOutput.size()) {
            values.back() += static_cast<char>(std::stoi(AOutput.substr(i, 2), nullptr, 16));
            ++i;
        }
    }
    values.pop_back();
    return values;
}

// Through cmd.exe /C and the C runtime of a real child, every value arrives as typed and
// nothing that a value names runs.
TEST(ShellQuoteWin32Test, CmdAndTheRuntimeGiveEveryValueBackAsTyped) {
    const std::vector<std::string> values = {
        "plain",
        "",
        "two words",
        "O'Brien \"x\" $(touch pwned)",
        "a & echo pwned> pwned",
        "x | echo pwned > pwned",
        // A pair of percent signs around the name of a defined variable stays out: the
        // carets keep cmd.exe on Windows from expanding it, wine's cmd expands it anyway.
        "100% and 50%",
        "%UNDEFINED_NAME%",
        "^caret^ !bang! <in> (x)",
        "back\\slash\\ \\\"q\\\\",
        "trailing\\",
        "\"",
        "\"\"",
        "\"a & b\"",
        "Ünïcödé 名前",
        "`id` ; ls && dir",
    };
    testsupport::TempFolder folder;
    // The program's path goes through the same quoting: a command line whose first
    // character is a double quote would meet cmd.exe's own rule for stripping quotes.
    std::string command = *platform::QuoteArgument(platform::ModuleFileName()) + ' ' +
                          testsupport::PrintArgumentsArgument;
    for (const std::string& value : values) command += ' ' + *platform::QuoteArgument(value);

    TCmd cmd;
    cmd.setCommmandStr(command);
    std::string output;
    std::string started;
    cmd.OnReadOutput = [&](const AnsiText& AOutput, std::string) { output = AOutput.Bytes; };
    cmd.OnReadError = [&](const AnsiText& AError) { started = AError.Bytes; };
    cmd.RunCommand(testsupport::Utf8(folder.Path()));
    EXPECT_EQ(started, "");
    EXPECT_EQ(DecodeLines(output), values) << command << "\n" << output;
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "pwned"));
}

}  // namespace
