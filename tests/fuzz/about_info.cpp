// The about reader on arbitrary command output.
//
// Input: one byte for the exit status, then the output.
//
// Oracles: a failed command gives no sections; a notice line printed before the
// document changes nothing; warnings come only with a reading that did not fail.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "components/AboutInfo.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
    if (ASize < 1) return 0;
    const int status = AData[0] % 4 == 0 ? 1 : 0;
    const std::string_view output(reinterpret_cast<const char*>(AData) + 1, ASize - 1);
    const TAboutInfo info = ReadAboutInfo(output, status);
    if (status != 0) {
        Check(info.Failed && info.Sections.empty(), "a failed command gives no sections");
        return 0;
    }
    Check(!info.Failed || (info.Sections.empty() && info.Warnings.empty()), "a failed reading gives no table");
    if (output.starts_with('[') || output.starts_with('{')) {
        const TAboutInfo noisy = ReadAboutInfo("PHP Notice: something\n" + std::string(output), 0);
        Check(noisy.Failed == info.Failed && noisy.Sections == info.Sections && noisy.Warnings == info.Warnings,
              "a notice line before the document changes nothing");
    }
    return 0;
}
