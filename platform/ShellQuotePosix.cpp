#include "platform/ShellQuote.h"

namespace platform {

std::optional<std::string> QuoteArgument(const std::string& AArgument) { return QuoteForSh(AArgument); }

}  // namespace platform
