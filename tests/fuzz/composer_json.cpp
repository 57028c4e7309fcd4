// What detection takes from a project's composer.json: the require.php constraint.
//
// Input: the first byte picks the form; 0: the rest is the whole file; otherwise the
// rest is a constraint put into a well-formed composer.json.
//
// Oracles: for any file, the answer equals the JSON library's own answer for the
// document (the string at require.php of an object, "" for anything else or for text
// that is not JSON), and the file read back through the regular-file reader gives the
// same answer. For a constraint put into a file, the answer is that constraint exactly
// (when it is UTF-8, which JSON text must be).
#include <fuzzer/FuzzedDataProvider.h>

#include <nlohmann/json.hpp>

#include <string>

#include "FuzzSupport.h"
#include "components/ProjectTools.h"
#include "platform/RegularFile.h"

namespace {

using fuzz::Check;

std::string LibraryAnswer(const std::string& AText) {
    try {
        const nlohmann::json document = nlohmann::json::parse(AText);
        const nlohmann::json& php = document.at("require").at("php");
        return php.is_string() ? php.get<std::string>() : std::string();
    } catch (const nlohmann::json::exception&) {
        return {};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile file("tarnwick-fuzz-composer.json");
    FuzzedDataProvider input(data, size);
    const bool wrapped = input.ConsumeIntegral<std::uint8_t>() != 0;
    const std::string rest = input.ConsumeRemainingBytesAsString();

    if (wrapped) {
        if (!fuzz::IsValidUtf8(rest)) return 0;
        const std::string text = nlohmann::json{{"name", "a/b"}, {"require", {{"ext-json", "*"}, {"php", rest}}},
                                                {"require-dev", {{"php", "not this"}}}}
                                     .dump(2);
        Check(RequiredPhpConstraint(text) == rest, "a constraint in a well-formed file is not read back");
        return 0;
    }

    const std::string answer = RequiredPhpConstraint(rest);
    Check(answer == LibraryAnswer(rest), "the answer differs from the JSON library's own");
    std::string bytes;
    Check(platform::ReadRegularFile(file.Write(rest), kMaxComposerJsonBytes, bytes) == 0 && bytes == rest,
          "the file does not read back");
    Check(RequiredPhpConstraint(bytes) == answer, "the file read back gives another answer");
    return 0;
}
