#pragma once

#include <functional>
#include <string>

#include "platform/CodePage.h"

// Receives the whole output of one run and the command that produced it.
using TOnReadOutput = std::function<void(const AnsiText& AOutput, std::string ACommandString)>;
// Receives the run's start report: empty when the child started, otherwise one line
// that says why it did not.
using TOnReadError = std::function<void(const AnsiText& AError)>;

// Runs one command line as a child process in a given folder, waits until it and every
// process holding its output have finished, and hands over everything it wrote to
// standard output and standard error, in the order written.
class TCmd {
public:
    TCmd() = default;

    const std::string& CommmandStr() const { return FCommmandStr; }
    void setCommmandStr(const std::string& AValue) { FCommmandStr = AValue; }

    // True: the command goes unchanged to the command interpreter: "cmd.exe /C " followed
    // by the command on Windows, /bin/sh -c with the command as one argument elsewhere.
    // False: the command names the program itself; on POSIX it is split into words like
    // a shell would, without any expansion.
    bool RunWithCmd() const { return FRunWithCmd; }
    void setRunWithCmd(bool AValue) { FRunWithCmd = AValue; }

    // Runs CommmandStr with AWorkingDir as current folder and blocks until the run is
    // over. Throws Exception("Command String Empty.") for an empty command. Once the
    // child has started (or failed to), OnReadError is raised; after the child has
    // ended, OnReadOutput gets the collected output. A child that cannot start (no or
    // a bad folder, unknown program) is reported through OnReadError only.
    void RunCommand(const std::string& AWorkingDir);

    TOnReadOutput OnReadOutput;
    TOnReadError OnReadError;

private:
    void RaiseReadError(const std::string& AText) const;
    void RaiseReadOutput(const AnsiText& AOutput) const;

    std::string FCommmandStr;
    bool FRunWithCmd = true;
};
