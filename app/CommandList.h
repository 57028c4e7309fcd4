#pragma once

#include "app/CommandCatalogue.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// One argument of a command, as the tool describes it.
struct TArgumentInfo {
    QString Name;
    bool Required = false;
    bool IsArray = false;  // takes several values
    QString Description;
    QString Default;  // as text; empty when there is none
};

// One option of a command. A negatable option's "--no-x" is an option of its own.
struct TOptionInfo {
    QString Name;      // with its dashes: "--migration"
    QString Shortcut;  // "-m", "-a|-b" or empty
    bool AcceptValue = false;
    bool ValueRequired = false;
    bool IsMultiple = false;  // may be given several times
    QString Description;
    QString Default;  // as text; empty when there is none
};

struct TCommandInfo {
    TCommandType Tool = TCommandType::Artisan;
    QString Name;       // "migrate:status"
    QString Namespace;  // "migrate"; empty for a command without one
    QStringList Aliases;  // other names the tool takes for it ("dumpautoload")
    QString Description;
    QString Help;
    QList<TArgumentInfo> Arguments;
    QList<TOptionInfo> Options;
    bool Preset = false;  // a preset button runs it
    // Lower-cased name and description, for matching.
    QString NameKey;
    QString DescriptionKey;
};

// The commands of one tool in one project, or why there are none.
struct TCommandList {
    TCommandType Tool = TCommandType::Artisan;
    QList<TCommandInfo> Commands;  // grouped by namespace, the commands without one first
    QString Error;                 // empty when the list was read
};

// Reads what "<tool> list --format=json" printed. Noise before the document (a warning,
// a notice) and after it is skipped; hidden commands are left out. Anything that is not
// such a document gives a list with an Error that quotes the tool's own text and, when
// known (not negative), its exit status.
TCommandList ReadCommandList(TCommandType ATool, const QByteArray& AOutput, int AExitStatus);

// The words of a search, lower-cased.
QStringList SearchWords(const QString& AQuery);

// How well a command matches the words: negative when some word is found neither in its
// name nor in its description; otherwise higher for words that begin a part of the name
// ("mig st" for "migrate:status"), lower for words found elsewhere in the name, lowest
// for words found only in the description. No words match everything with 0.
int MatchScore(const TCommandInfo& ACommand, const QStringList& AWords);

// What the user filled in for one command: per argument its values (one for a plain
// argument, several for an array one), per option whether it is on (a flag) and its
// values (one, or several for a repeatable option). Empty values are left out.
struct TCommandValues {
    QList<QStringList> Arguments;
    QList<bool> Flags;
    QList<QStringList> OptionValues;
};

// Writes one argument for the command interpreter; nothing when it cannot be written.
// A tool's description or help without the style tags its console library reads
// (<info>, <comment>, <fg=red;options=bold>, <href=…>, </>); the text stays plain text.
QString WithoutConsoleTags(const QString& AText);

using TQuoteArgument = std::function<std::optional<QString>(const QString&)>;

// The running system's quoting (platform/ShellQuote.h).
TQuoteArgument SystemQuoting();

// How the values of one tool's command line are written, and what to tell the user when
// a value cannot be written.
struct TToolQuoting {
    TQuoteArgument Quote;
    QString Refusal;
};

// The quoting for arguments of the program at AProgram (platform::QuoteArgumentFor): the
// batch-file rules when the system runs it as a batch file, which refuse more values.
TToolQuoting ProgramQuoting(const std::string& AProgram);

// The quoting for a tool's command lines: Artisan's go to PHP, Composer's to the file
// that "composer" names on the search path; where none is found, the usual batch file is
// taken, whose rules are the safe ones for any program.
TToolQuoting ToolQuoting(TCommandType ATool);

// The first required argument without a value, or an empty text.
QString MissingArgument(const TCommandInfo& ACommand, const TCommandValues& AValues);

// The whole command line: the tool's prefix, the command, its arguments, then its
// options ("php artisan make:model Carriage --migration"), each value quoted. When an
// argument value begins with a dash the options come first and "--" ends them, so that
// the value stays an argument. Nothing when a value cannot be quoted.
std::optional<QString> BuildCommandLine(const TCommandInfo& ACommand, const TCommandValues& AValues,
                                        const TQuoteArgument& AQuote);
