// The model reader on arbitrary command output, and the finder of a PHP file's class.
//
// Input: one byte for the exit status and which reader, then the output or the source.
//
// Oracles: a failed command gives no attributes; a notice line printed before the
// document changes nothing; a found class ends with the file's name, and its argument
// holds only name characters and slashes.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "components/ModelInfo.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
    if (ASize < 1) return 0;
    const std::string_view input(reinterpret_cast<const char*>(AData) + 1, ASize - 1);
    if ((AData[0] & 0x10) != 0) {
        const std::string found = ModelClassOf(input, "Note");
        if (found.empty()) return 0;
        Check(found == "Note" || found.ends_with("\\Note"), "the class is named as the file");
        const std::string argument = ModelArgument(found);
        Check(argument.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_/") ==
                  std::string::npos,
              "an argument holds name characters and slashes only");
        return 0;
    }
    const int status = AData[0] % 4 == 0 ? 1 : 0;
    const TModelInfo info = ReadModelInfo(input, status);
    if (status != 0) Check(info.Failed && info.Attributes.empty(), "a failed command gives no attributes");
    if (input.starts_with('[') || input.starts_with('{')) {
        const TModelInfo noisy = ReadModelInfo("PHP Notice: something\n" + std::string(input), status);
        Check(noisy.Attributes == info.Attributes && noisy.Relations == info.Relations,
              "a notice line changes nothing");
    }
    return 0;
}
