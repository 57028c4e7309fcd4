// The tools' own command lists ("list --format=json") and the command lines built
// from them.
//
// Input: a byte choosing the tool, a byte giving the exit status (255 for unknown),
// then what the tool printed.
//
// Oracles: the output gives either commands or an error, never both; commands come
// grouped by namespace, those without one first; a line of noise before the output
// changes nothing. For the first commands, the command line built with the values
// found in the document itself (defaults, descriptions) and every flag on, run through
// the real /bin/sh as the words of printf, gives back exactly the tool's words, the
// command's name and each value as given: arguments, then options, or options, "--"
// and arguments when a value begins with a dash.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "app/CommandList.h"

namespace {

using fuzz::Check;

// The words /bin/sh makes of `words`, as printf prints them one by one.
std::vector<std::string> ShellWords(const std::string& words) {
    const std::string output = fuzz::ShellOutput("printf '%s\\001' " + words);
    std::vector<std::string> result;
    for (std::size_t start = 0; start < output.size();) {
        const std::size_t end = output.find('\001', start);
        if (end == std::string::npos) break;
        result.push_back(output.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

// Values a test user could type: no null character, which no argument can carry.
bool Typable(const QString& value) { return !value.contains(QChar(u'\0')); }

void CheckCommandLine(const TCommandInfo& command) {
    if (!Typable(command.Name)) return;
    TCommandValues values;
    std::vector<std::string> arguments;
    bool dashed = false;
    for (const TArgumentInfo& argument : command.Arguments) {
        QStringList given;
        for (const QString& value : {argument.Default, argument.Description}) {
            if (value.isEmpty() || !Typable(value)) continue;
            given.append(value);
            if (!argument.IsArray) break;
        }
        for (const QString& value : given) {
            arguments.push_back(value.toStdString());
            dashed = dashed || value.startsWith(u'-');
        }
        values.Arguments.append(given);
    }
    std::vector<std::string> options;
    for (const TOptionInfo& option : command.Options) {
        if (!option.AcceptValue && !Typable(option.Name)) return;
        values.Flags.append(!option.AcceptValue);
        QStringList given;
        if (option.AcceptValue) {
            for (const QString& value : {option.Default, option.Description}) {
                if (value.isEmpty() || !Typable(value)) continue;
                given.append(value);
                options.push_back((option.Name + u'=' + value).toStdString());
                if (!option.IsMultiple) break;
            }
        } else {
            options.push_back(option.Name.toStdString());
        }
        values.OptionValues.append(given);
    }
    Check(MissingArgument(command, values).isEmpty() ==
              std::all_of(command.Arguments.begin(), command.Arguments.end(),
                          [&, i = 0](const TArgumentInfo& argument) mutable {
                              return !argument.Required || !values.Arguments[i++].isEmpty();
                          }),
          "a missing argument is named wrongly");

    const std::optional<QString> line = BuildCommandLine(command, values, SystemQuoting());
    Check(line.has_value(), "a command line without a line break could not be built");
    std::vector<std::string> expected;
    if (command.Tool == TCommandType::Artisan) expected = {"php", "artisan"};
    else expected = {"composer"};
    expected.push_back(command.Name.toStdString());
    if (dashed) {
        expected.insert(expected.end(), options.begin(), options.end());
        expected.push_back("--");
        expected.insert(expected.end(), arguments.begin(), arguments.end());
    } else {
        expected.insert(expected.end(), arguments.begin(), arguments.end());
        expected.insert(expected.end(), options.begin(), options.end());
    }
    Check(ShellWords(line->toStdString()) == expected, "the command line does not give the command and its values");
}

std::vector<QString> Names(const TCommandList& list) {
    std::vector<QString> names;
    for (const TCommandInfo& command : list.Commands) names.push_back(command.Name);
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const TCommandType tool = data[0] % 2 ? TCommandType::Composer : TCommandType::Artisan;
    const int status = data[1] == 255 ? -1 : data[1];
    const QByteArray output(reinterpret_cast<const char*>(data) + 2, qsizetype(size - 2));

    const TCommandList list = ReadCommandList(tool, output, status);
    Check(list.Error.isEmpty() || list.Commands.isEmpty(), "both commands and an error");
    for (qsizetype i = 0; i < list.Commands.size(); ++i) {
        Check(!list.Commands[i].Name.isEmpty() && list.Commands[i].Tool == tool, "a command without a name");
        if (i > 0) Check(list.Commands[i - 1].Namespace <= list.Commands[i].Namespace, "namespaces are not grouped");
    }

    const TCommandList noisy = ReadCommandList(tool, "PHP Warning:  noise in a.php on line 1\n" + output, status);
    Check(noisy.Error.isEmpty() == list.Error.isEmpty() && Names(noisy) == Names(list), "a line of noise changed the list");

    for (qsizetype i = 0; i < list.Commands.size() && i < 3; ++i) CheckCommandLine(list.Commands[i]);
    return 0;
}
