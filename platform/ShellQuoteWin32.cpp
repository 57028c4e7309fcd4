#include "platform/ShellQuote.h"

namespace platform {

std::optional<std::string> QuoteArgument(const std::string& AArgument) {
    if (AArgument.find('\0') != std::string::npos) return std::nullopt;
    return QuoteForCmd(AArgument);
}

std::optional<std::string> QuoteArgumentFor(const std::string& AProgram, const std::string& AArgument) {
    return IsBatchFile(AProgram) ? QuoteForBatch(AArgument) : QuoteArgument(AArgument);
}

}  // namespace platform
