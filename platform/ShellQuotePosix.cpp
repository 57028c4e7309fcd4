#include "platform/ShellQuote.h"

namespace platform {

// A NUL byte would end the command line there: such an argument cannot be passed.
std::optional<std::string> QuoteArgument(const std::string& AArgument) {
    if (AArgument.find('\0') != std::string::npos) return std::nullopt;
    return QuoteForSh(AArgument);
}

// The kernel starts a script through its #! line, which takes the arguments as given.
bool RunsAsBatchFile(const std::string&) { return false; }

// /bin/sh hands every program its arguments the same way, whatever the file is.
std::optional<std::string> QuoteArgumentFor(const std::string&, const std::string& AArgument) {
    return QuoteArgument(AArgument);
}

}  // namespace platform
