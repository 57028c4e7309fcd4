#include "platform/ShellQuote.h"

namespace platform {

std::optional<std::string> QuoteArgument(const std::string& AArgument) {
    if (AArgument.find('\0') != std::string::npos) return std::nullopt;
    return QuoteForCmd(AArgument);
}

bool RunsAsBatchFile(const std::string& APath) { return IsBatchFile(APath); }

std::optional<std::string> QuoteArgumentFor(const std::string& AProgram, const std::string& AArgument) {
    return RunsAsBatchFile(AProgram) ? QuoteForBatch(AArgument) : QuoteArgument(AArgument);
}

}  // namespace platform
