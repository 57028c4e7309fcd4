#include "components/RunRequest.h"

namespace {

struct TToolWord {
    TRunRequest::TTool Tool;
    const char* Word;
};

// Longest first: "php artisan" before "php".
constexpr TToolWord kToolWords[] = {
    {TRunRequest::TTool::Artisan, "php artisan"},
    {TRunRequest::TTool::Php, "php"},
    {TRunRequest::TTool::Composer, "composer"},
};

}  // namespace

TRunRequest TRunRequest::ForTool(TTool ATool, std::string AArguments, std::string AFolder) {
    TRunRequest request;
    request.Tool = ATool;
    request.Arguments = std::move(AArguments);
    request.Folder = std::move(AFolder);
    return request;
}

TRunRequest TRunRequest::ForShell(std::string ALine, std::string AFolder) {
    return ForTool(TTool::Shell, std::move(ALine), std::move(AFolder));
}

TRunRequest TRunRequest::FromTyped(const std::string& ALine, std::string AFolder) {
    for (const TToolWord& word : kToolWords) {
        const std::string_view prefix(word.Word);
        if (ALine == prefix) return ForTool(word.Tool, {}, std::move(AFolder));
        if (ALine.size() > prefix.size() && ALine.compare(0, prefix.size(), prefix) == 0 && ALine[prefix.size()] == ' ')
            return ForTool(word.Tool, ALine.substr(prefix.size() + 1), std::move(AFolder));
    }
    return ForShell(ALine, std::move(AFolder));
}

std::string TRunRequest::Line() const {
    for (const TToolWord& word : kToolWords)
        if (word.Tool == Tool) return Arguments.empty() ? std::string(word.Word) : word.Word + (" " + Arguments);
    return Arguments;
}
