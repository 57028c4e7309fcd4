#pragma once

#include "components/ProjectTools.h"
#include "platform/PseudoTerminal.h"

#include <map>
#include <string>

// One run as a value: what to run (a tool of the project with its arguments, or a line
// for the command interpreter), the project folder, extra environment variables and how
// the run is given its input and output.
struct TRunRequest {
    enum class TTool { Shell, Artisan, Php, Composer };

    TTool Tool = TTool::Shell;
    // For a tool: what follows the tool's word, as the command interpreter reads it
    // ("migrate --force"), empty for none. For Shell: the whole line.
    std::string Arguments;
    std::string Folder;
    // Set for the child on top of what it inherits. Names are letters, digits and "_",
    // not starting with a digit.
    std::map<std::string, std::string> Environment;
    // Given to the child's standard input as soon as it runs.
    std::string Input;
    // A pseudo-terminal instead of pipes, where the system has one, of this size.
    bool Terminal = false;
    platform::TerminalSize TerminalSize;

    static TRunRequest ForTool(TTool ATool, std::string AArguments, std::string AFolder);
    static TRunRequest ForShell(std::string ALine, std::string AFolder);
    // A line as a user types it: one that starts with "php artisan", "php" or "composer"
    // (followed by a blank or nothing) names that tool; any other goes to the shell.
    static TRunRequest FromTyped(const std::string& ALine, std::string AFolder);

    bool IsTool() const { return Tool != TTool::Shell; }
    // The request as a user would type it ("php artisan migrate").
    std::string Line() const;

    bool operator==(const TRunRequest& AOther) const {
        return Tool == AOther.Tool && Arguments == AOther.Arguments && Folder == AOther.Folder &&
               Environment == AOther.Environment && Input == AOther.Input && Terminal == AOther.Terminal &&
               TerminalSize.Columns == AOther.TerminalSize.Columns && TerminalSize.Rows == AOther.TerminalSize.Rows;
    }
};

// What to start for a request: the line for the command interpreter, the folder, and the
// variables the process start sets on top of the inherited environment.
struct TRoutedRun {
    std::string CommandLine;
    std::string Folder;
    std::map<std::string, std::string> Environment;
    // The run as one line for people and logs: CommandLine with Environment in front, in
    // the interpreter's own assignments where it can write them.
    std::string ShownLine;
};

// Turns a request into the process to start through the project's tools. A tool runs
// with the tools' environment lines and the request's variables (the request's win);
// a shell line gets the request's variables only, as typed lines always have. Throws
// Exception when the SSH or WSL settings cannot be used. A variable that cannot reach
// the program (a NUL byte, a bad name) turns the run into one that reports it and fails.
TRoutedRun RouteRequest(const TRunRequest& ARequest, const TProjectTools& ATools);
