#include "platform/ShellQuote.h"

namespace platform {

// A NUL byte would end the command line there: such an argument cannot be passed.
std::optional<std::string> QuoteArgument(const std::string& AArgument) {
    if (AArgument.find('\0') != std::string::npos) return std::nullopt;
    return QuoteForSh(AArgument);
}

}  // namespace platform
