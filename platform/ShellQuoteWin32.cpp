#include "platform/ShellQuote.h"

namespace platform {

std::optional<std::string> QuoteArgument(const std::string& AArgument) { return QuoteForCmd(AArgument); }

}  // namespace platform
