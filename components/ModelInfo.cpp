#include "components/ModelInfo.h"

#include "components/JsonText.h"
#include "components/ToolOutput.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

namespace {

using jsontext::Find;
using jsontext::Json;
using jsontext::Text;
using jsontext::TextOf;

bool IsOn(const Json& AObject, const char* AKey) {
    const Json* value = Find(AObject, AKey);
    if (!value) return false;
    if (value->is_boolean()) return value->get<bool>();
    if (value->is_number()) return value->get<double>() != 0;
    return value->is_string() && (value->get<std::string>() == "true" || value->get<std::string>() == "1");
}

bool IsNameCharacter(char AChar) {
    return (AChar >= 'a' && AChar <= 'z') || (AChar >= 'A' && AChar <= 'Z') || (AChar >= '0' && AChar <= '9') ||
           AChar == '_' || (static_cast<unsigned char>(AChar) >= 0x80);
}

// PHP comments blanked out, so a commented-out declaration is not read.
std::string WithoutComments(std::string_view ASource) {
    std::string code(ASource);
    for (std::size_t at = 0; at < code.size(); ++at) {
        if (code[at] == '/' && at + 1 < code.size() && code[at + 1] == '*') {
            const std::size_t end = code.find("*/", at + 2);
            const std::size_t stop = end == std::string::npos ? code.size() : end + 2;
            std::fill(code.begin() + std::ptrdiff_t(at), code.begin() + std::ptrdiff_t(stop), ' ');
            at = stop - 1;
        } else if ((code[at] == '/' && at + 1 < code.size() && code[at + 1] == '/') || code[at] == '#') {
            const std::size_t end = code.find('\n', at);
            const std::size_t stop = end == std::string::npos ? code.size() : end;
            std::fill(code.begin() + std::ptrdiff_t(at), code.begin() + std::ptrdiff_t(stop), ' ');
            at = stop;
        }
    }
    return code;
}

}  // namespace

TModelInfo ReadModelInfo(std::string_view AOutput, int AExitStatus) {
    TModelInfo info;
    if (AExitStatus != 0) {
        info.Failed = true;
        info.Message = "The command ended with status " + std::to_string(AExitStatus) + ".\n" + TrimmedOutput(AOutput);
        return info;
    }
    const std::size_t start = JsonStartOf(AOutput);
    if (start == std::string_view::npos) {
        info.Failed = true;
        info.Message = TrimmedOutput(AOutput);
        if (info.Message.empty()) info.Message = "The command printed nothing.";
        return info;
    }
    const Json document = Json::parse(AOutput.substr(start), nullptr, false);
    if (document.is_discarded()) {
        info.Failed = true;
        info.Message = "The output is not valid JSON (cut or damaged).";
        return info;
    }
    const Json* attributes = Find(document, "attributes");
    if (!attributes || !attributes->is_array()) {
        info.Failed = true;
        info.Message = "The output does not describe a model.";
        return info;
    }
    info.Class = TextOf(document, "class");
    info.Table = TextOf(document, "table");
    std::size_t skipped = 0;
    for (const Json& attribute : *attributes) {
        if (!attribute.is_object()) {
            ++skipped;
            continue;
        }
        info.Attributes.push_back({TextOf(attribute, "name"), TextOf(attribute, "type"), IsOn(attribute, "nullable"),
                                   IsOn(attribute, "fillable"), IsOn(attribute, "hidden"), TextOf(attribute, "cast")});
    }
    if (const Json* relations = Find(document, "relations"); relations && relations->is_array()) {
        for (const Json& relation : *relations) {
            if (!relation.is_object()) {
                ++skipped;
                continue;
            }
            info.Relations.push_back({TextOf(relation, "name"), TextOf(relation, "type"), TextOf(relation, "related")});
        }
    }
    if (skipped > 0) info.Message = std::to_string(skipped) + " entries are not objects and are left out.";
    return info;
}

std::string ModelClassOf(std::string_view APhpSource, std::string_view AFileStem) {
    if (AFileStem.empty() || !std::all_of(AFileStem.begin(), AFileStem.end(), IsNameCharacter)) return {};
    const std::string code = WithoutComments(APhpSource);
    // The code's words (names, with the backslashes of qualified ones), each with whether
    // it follows "::" or "->" (as in Note::class).
    struct TWord {
        std::string_view Text;
        bool Member;
    };
    std::vector<TWord> words;
    for (std::size_t at = 0; at < code.size();) {
        if (!IsNameCharacter(code[at]) && code[at] != '\\') {
            ++at;
            continue;
        }
        const std::size_t first = at;
        while (at < code.size() && (IsNameCharacter(code[at]) || code[at] == '\\')) ++at;
        std::size_t before = first;
        while (before > 0 && (code[before - 1] == ' ' || code[before - 1] == '\t' || code[before - 1] == '\n' ||
                              code[before - 1] == '\r'))
            --before;
        const bool member = before >= 2 && ((code[before - 2] == ':' && code[before - 1] == ':') ||
                                            (code[before - 2] == '-' && code[before - 1] == '>'));
        words.push_back({std::string_view(code).substr(first, at - first), member});
    }
    std::string spaceName;
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        if (words[i].Text == "namespace" && !words[i].Member && spaceName.empty()) {
            spaceName = std::string(words[i + 1].Text);
            continue;
        }
        if (words[i].Text != "class" || words[i].Member || words[i + 1].Text != AFileStem) continue;
        for (std::size_t back = i; back > 0; --back) {
            const std::string_view word = words[back - 1].Text;
            if (word == "abstract") return {};
            if (word != "final" && word != "readonly") break;
        }
        while (!spaceName.empty() && spaceName.front() == '\\') spaceName.erase(0, 1);
        return spaceName.empty() ? std::string(AFileStem) : spaceName + "\\" + std::string(AFileStem);
    }
    return {};
}

std::vector<std::string> FindModelClasses(const std::string& AProjectFolder) {
    namespace fs = std::filesystem;
    std::vector<std::string> classes;
    std::error_code error;
    const fs::path root = fs::path(AProjectFolder) / "app" / "Models";
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
    // A folder of thousands of files is not a folder of models: the walk stops there.
    constexpr std::size_t MaxFiles = 5000;
    constexpr std::size_t MaxFileBytes = 256 * 1024;
    std::size_t seen = 0;
    for (; !error && it != fs::recursive_directory_iterator() && seen < MaxFiles; it.increment(error)) {
        const fs::path& path = it->path();
        if (path.extension() != ".php" || !it->is_regular_file(error)) continue;
        ++seen;
        std::ifstream in(path, std::ios::binary);
        std::string source(MaxFileBytes, '\0');
        in.read(source.data(), std::streamsize(source.size()));
        source.resize(std::size_t(in.gcount()));
        std::string name = ModelClassOf(source, path.stem().string());
        if (!name.empty()) classes.push_back(std::move(name));
    }
    std::sort(classes.begin(), classes.end());
    classes.erase(std::unique(classes.begin(), classes.end()), classes.end());
    return classes;
}

std::string ModelArgument(std::string_view AClass) {
    std::string argument;
    for (const char c : AClass) {
        if (c == '\\') {
            if (argument.empty() || argument.back() == '/') return {};
            argument += '/';
        } else if (IsNameCharacter(c) && static_cast<unsigned char>(c) < 0x80) {
            argument += c;
        } else {
            return {};
        }
    }
    if (argument.empty() || argument.back() == '/' || (argument[0] >= '0' && argument[0] <= '9')) return {};
    return argument;
}
