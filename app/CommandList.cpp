#include "app/CommandList.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include "platform/ShellQuote.h"
#include "platform/ToolSearch.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace {

// Keeps the tool's order of arguments and options: arguments are positional.
using Json = nlohmann::ordered_json;

QString Text(const Json& AObject, const char* AKey) {
    if (!AObject.is_object()) return QString();
    const auto it = AObject.find(AKey);
    return it != AObject.end() && it->is_string() ? QString::fromStdString(it->get<std::string>()) : QString();
}

bool Flag(const Json& AObject, const char* AKey) {
    const auto it = AObject.find(AKey);
    return it != AObject.end() && it->is_boolean() && it->get<bool>();
}

// A default as the form shows it: nothing for null and false, the values of an array
// separated by commas, numbers and strings ("INF" too) as written.
QString DefaultText(const Json& AObject) {
    const auto it = AObject.find("default");
    if (it == AObject.end()) return QString();
    const Json& value = *it;
    if (value.is_string()) return QString::fromStdString(value.get<std::string>());
    if (value.is_boolean()) return value.get<bool>() ? QStringLiteral("true") : QString();
    if (value.is_number()) return QString::fromStdString(value.dump());
    if (value.is_array()) {
        QStringList parts;
        for (const Json& element : value)
            if (element.is_string()) parts.append(QString::fromStdString(element.get<std::string>()));
            else if (element.is_number() || element.is_boolean()) parts.append(QString::fromStdString(element.dump()));
        return parts.join(QStringLiteral(", "));
    }
    return QString();
}

// An empty definition may come as [] instead of {}: both give their object members.
template <typename Each>
void ForEachEntry(const Json& ADefinition, const char* AKey, Each AEach) {
    if (!ADefinition.is_object()) return;
    const auto it = ADefinition.find(AKey);
    if (it == ADefinition.end() || !(it->is_object() || it->is_array())) return;
    for (const Json& entry : *it)
        if (entry.is_object()) AEach(entry);
}

TCommandInfo ReadCommand(TCommandType ATool, const Json& ACommand) {
    TCommandInfo info;
    info.Tool = ATool;
    info.Name = Text(ACommand, "name");
    const qsizetype colon = info.Name.lastIndexOf(u':');
    if (colon > 0) info.Namespace = info.Name.left(colon);
    info.Description = WithoutConsoleTags(Text(ACommand, "description"));
    info.Help = WithoutConsoleTags(Text(ACommand, "help"));
    const auto definition = ACommand.find("definition");
    if (definition != ACommand.end()) {
        ForEachEntry(*definition, "arguments", [&](const Json& entry) {
            TArgumentInfo argument;
            argument.Name = Text(entry, "name");
            argument.Required = Flag(entry, "is_required");
            argument.IsArray = Flag(entry, "is_array");
            argument.Description = WithoutConsoleTags(Text(entry, "description"));
            argument.Default = DefaultText(entry);
            if (!argument.Name.isEmpty()) info.Arguments.append(argument);
        });
        ForEachEntry(*definition, "options", [&](const Json& entry) {
            TOptionInfo option;
            option.Name = Text(entry, "name");
            if (!option.Name.startsWith(QStringLiteral("--"))) option.Name.prepend(QStringLiteral("--"));
            option.Shortcut = Text(entry, "shortcut");
            option.AcceptValue = Flag(entry, "accept_value");
            option.ValueRequired = Flag(entry, "is_value_required");
            option.IsMultiple = Flag(entry, "is_multiple");
            option.Description = WithoutConsoleTags(Text(entry, "description"));
            option.Default = DefaultText(entry);
            if (option.Name.size() > 2) info.Options.append(option);
        });
    }
    // "usage" holds the synopsis, then further usages, then the aliases: single words.
    const auto usage = ACommand.find("usage");
    if (usage != ACommand.end() && usage->is_array())
        for (std::size_t i = 1; i < usage->size(); ++i)
            if ((*usage)[i].is_string()) {
                const QString alias = QString::fromStdString((*usage)[i].get<std::string>());
                if (!alias.isEmpty() && !alias.contains(u' ')) info.Aliases.append(alias);
            }
    info.Preset = IsPresetCommand(ATool, info.Name);
    for (const QString& alias : info.Aliases) info.Preset = info.Preset || IsPresetCommand(ATool, alias);
    info.NameKey = info.Name.toLower();
    info.DescriptionKey = info.Description.toLower();
    return info;
}

// The document in the output: the first JSON object that begins a line, whatever
// follows it.
std::optional<Json> FindDocument(const QByteArray& AOutput) {
    const std::string text = AOutput.toStdString();
    for (std::size_t start = text.find('{'); start != std::string::npos; start = text.find('{', start + 1)) {
        if (start > 0 && text[start - 1] != '\n') continue;
        Json document;
        // Not strict: the parse ends with the object, and text after it is left alone.
        nlohmann::detail::json_sax_dom_parser<Json> builder(document, false);
        if (Json::sax_parse(text.begin() + start, text.end(), &builder, nlohmann::json::input_format_t::json, false) &&
            document.is_object() && document.contains("commands"))
            return document;
    }
    return std::nullopt;
}

QString ToolName(TCommandType ATool) {
    return ATool == TCommandType::Artisan ? QStringLiteral("php artisan list") : QStringLiteral("composer list");
}

}  // namespace

TCommandList ReadCommandList(TCommandType ATool, const QByteArray& AOutput, int AExitStatus) {
    TCommandList list;
    list.Tool = ATool;
    const std::optional<Json> document = FindDocument(AOutput);
    const auto commands = document ? document->find("commands") : Json::const_iterator();
    if (!document || commands == document->end() || !commands->is_array()) {
        QString error =
            QCoreApplication::translate("TCommandList", "\"%1\" gave no list of commands").arg(ToolName(ATool));
        if (AExitStatus >= 0)
            error += QCoreApplication::translate("TCommandList", " (exit status %1)").arg(AExitStatus);
        const QString said = QString::fromUtf8(AOutput).trimmed();
        list.Error = error + (said.isEmpty() ? QCoreApplication::translate("TCommandList", ", and printed nothing.")
                                             : QStringLiteral(":\n") + said);
        return list;
    }
    for (const Json& command : *commands) {
        if (!command.is_object() || Flag(command, "hidden")) continue;
        TCommandInfo info = ReadCommand(ATool, command);
        if (!info.Name.isEmpty()) list.Commands.append(std::move(info));
    }
    std::stable_sort(list.Commands.begin(), list.Commands.end(),
                     [](const TCommandInfo& a, const TCommandInfo& b) {
                         if (a.Namespace != b.Namespace) return a.Namespace < b.Namespace;
                         return a.Name < b.Name;
                     });
    return list;
}

QStringList SearchWords(const QString& AQuery) {
    return AQuery.toLower().split(u' ', Qt::SkipEmptyParts);
}

int MatchScore(const TCommandInfo& ACommand, const QStringList& AWords) {
    int score = 0;
    const QString& name = ACommand.NameKey;
    for (const QString& word : AWords) {
        const qsizetype at = name.indexOf(word);
        if (at < 0) {
            if (!ACommand.DescriptionKey.contains(word)) return -1;
            score += 1;
            continue;
        }
        // A word that begins a part of the name counts most.
        bool beginsPart = false;
        for (qsizetype from = at; from >= 0 && !beginsPart; from = name.indexOf(word, from + 1)) {
            const QChar before = from == 0 ? u':' : name[from - 1];
            beginsPart = before == u':' || before == u'-' || before == u'_';
        }
        score += beginsPart ? 4 : 2;
    }
    return score;
}

TQuoteArgument SystemQuoting() {
    return [](const QString& AValue) -> std::optional<QString> {
        const std::optional<std::string> quoted = platform::QuoteArgument(AValue.toStdString());
        if (!quoted) return std::nullopt;
        return QString::fromStdString(*quoted);
    };
}

TToolQuoting ProgramQuoting(const std::string& AProgram) {
    TToolQuoting quoting;
    quoting.Quote = [AProgram](const QString& AValue) -> std::optional<QString> {
        const std::optional<std::string> quoted = platform::QuoteArgumentFor(AProgram, AValue.toStdString());
        if (!quoted) return std::nullopt;
        return QString::fromStdString(*quoted);
    };
    quoting.Refusal =
        platform::RunsAsBatchFile(AProgram)
            ? QCoreApplication::translate("TfrmPalette", "A value holds a percent sign or a line break, which "
                                                         "cannot be passed safely to the batch file %1.")
                  .arg(QString::fromStdString(AProgram))
            : QCoreApplication::translate("TfrmPalette",
                                          "A value holds a line break, which this system's command line cannot carry.");
    return quoting;
}

TToolQuoting ToolQuoting(TCommandType ATool) {
    if (ATool != TCommandType::Composer) return ProgramQuoting("php");
    const std::string found = platform::FindOnSearchPath("composer");
    return ProgramQuoting(found.empty() ? std::string("composer.bat") : found);
}

QString MissingArgument(const TCommandInfo& ACommand, const TCommandValues& AValues) {
    for (qsizetype i = 0; i < ACommand.Arguments.size(); ++i) {
        if (!ACommand.Arguments[i].Required) continue;
        const bool filled = i < AValues.Arguments.size() &&
                            std::any_of(AValues.Arguments[i].begin(), AValues.Arguments[i].end(),
                                        [](const QString& v) { return !v.isEmpty(); });
        if (!filled) return ACommand.Arguments[i].Name;
    }
    return QString();
}

std::optional<QString> BuildCommandLine(const TCommandInfo& ACommand, const TCommandValues& AValues,
                                        const TQuoteArgument& AQuote) {
    QStringList arguments;
    bool dashed = false;
    for (qsizetype i = 0; i < ACommand.Arguments.size() && i < AValues.Arguments.size(); ++i)
        for (const QString& value : AValues.Arguments[i]) {
            if (value.isEmpty()) continue;
            const std::optional<QString> quoted = AQuote(value);
            if (!quoted) return std::nullopt;
            arguments.append(*quoted);
            dashed = dashed || value.startsWith(u'-');
        }
    QStringList options;
    for (qsizetype i = 0; i < ACommand.Options.size(); ++i) {
        const TOptionInfo& option = ACommand.Options[i];
        if (!option.AcceptValue) {
            if (i < AValues.Flags.size() && AValues.Flags[i]) {
                // Names come from the tool's list, which a project's composer.json can fill.
                const std::optional<QString> quoted = AQuote(option.Name);
                if (!quoted) return std::nullopt;
                options.append(*quoted);
            }
            continue;
        }
        if (i >= AValues.OptionValues.size()) continue;
        for (const QString& value : AValues.OptionValues[i]) {
            if (value.isEmpty()) continue;
            // "--name=value" in one word: a value that begins with a dash stays a value.
            const std::optional<QString> quoted = AQuote(option.Name + u'=' + value);
            if (!quoted) return std::nullopt;
            options.append(*quoted);
        }
    }
    const std::optional<QString> name = AQuote(ACommand.Name);
    if (!name) return std::nullopt;
    QStringList words{CommandPrefix(ACommand.Tool) + *name};
    if (dashed) words << options << QStringLiteral("--") << arguments;
    else words << arguments << options;
    return words.join(u' ');
}

QString WithoutConsoleTags(const QString& AText) {
    // The tools' own style tags: the named styles, inline colours, options and links,
    // opened and closed, and "</>". Other words in angle brackets ("<package>") are text.
    static const QRegularExpression tags(QStringLiteral(
        R"((?<!\\)</?(?:info|comment|error|question)>|(?<!\\)</?(?:(?:fg|bg|options|href)=[^<>]*)>|(?<!\\)</>)"));
    QString text = AText;
    text.remove(tags);
    // An escaped bracket stands for itself.
    return text.replace(QStringLiteral("\\<"), QStringLiteral("<"));
}
