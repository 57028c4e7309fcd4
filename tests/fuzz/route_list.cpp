// The route list reader on arbitrary command output.
//
// Input: one byte for the exit status, then the output.
//
// Oracles: a failed command is never read as routes; a notice line printed before
// the list changes nothing; a list that reads without a failure holds one row per
// object of the document.
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "FuzzSupport.h"
#include "components/RouteList.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
    if (ASize < 1) return 0;
    const int status = AData[0] % 4 == 0 ? 1 : 0;
    const std::string_view output(reinterpret_cast<const char*>(AData) + 1, ASize - 1);
    const TRouteList list = ReadRouteList(output, status);
    if (status != 0) {
        Check(list.Failed && list.Routes.empty(), "a failed command gives no routes");
        return 0;
    }
    if (output.starts_with('[') || output.starts_with('{')) {
        const TRouteList noisy = ReadRouteList("PHP Notice: something\n" + std::string(output), 0);
        Check(noisy.Failed == list.Failed && noisy.Routes == list.Routes && noisy.Message == list.Message,
              "a notice line before the list changes nothing");
        if (!list.Failed) {
            const auto document = nlohmann::json::parse(output, nullptr, false);
            std::size_t objects = 0;
            for (const auto& item : document) objects += item.is_object() ? 1 : 0;
            Check(list.Routes.size() == objects, "one row per object of the document");
        }
    }
    return 0;
}
