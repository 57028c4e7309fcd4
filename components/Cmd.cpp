#include "components/Cmd.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <optional>
#include <vector>

#include "components/Exception.h"
#include "platform/Process.h"
#include "platform/Utf8.h"

namespace {

// One read takes at most one byte less than the buffer holds.
constexpr std::size_t ReadBufferSize = 256;

std::string Quoted(const std::string& AText) { return "\"" + AText + "\""; }

// Appends the bytes of one read, leaving out NUL bytes so that the collected text never
// holds one.
void AppendWithoutNul(std::string& ATarget, const char* ABytes, std::size_t ACount) {
    std::copy_if(ABytes, ABytes + ACount, std::back_inserter(ATarget),
                 [](char AByte) { return AByte != '\0'; });
}

// Collects what arrives until every writer has closed the pipe.
void ReadToEnd(const platform::FileHandle& AReadEnd, std::string& ACollected) {
    char buffer[ReadBufferSize];
    while (const std::size_t count = platform::ReadPipe(AReadEnd, buffer, ReadBufferSize - 1))
        AppendWithoutNul(ACollected, buffer, count);
}

// The folder is looked at again here because the system's reason does not always tell a
// missing folder from a file in its place (Windows reports both as an invalid folder name).
std::string WorkingDirFailureText(const std::string& AWorkingDir, const std::error_code& AReason) {
    const std::string reason = " (" + AReason.message() + ").";
    if (AWorkingDir.empty())
        return "The command was not started: no project is selected, so there is no folder to run it in" + reason;
    std::error_code ignored;
    const std::filesystem::path folder = platform::PathFromUtf8(AWorkingDir);
    const std::filesystem::file_status status = std::filesystem::status(folder, ignored);
    if (status.type() == std::filesystem::file_type::not_found)
        return "The command was not started: the folder " + Quoted(AWorkingDir) + " does not exist" + reason;
    if (std::filesystem::exists(status) && !std::filesystem::is_directory(status))
        return "The command was not started: " + Quoted(AWorkingDir) + " is not a folder" + reason;
    return "The command was not started: the folder " + Quoted(AWorkingDir) + " cannot be used" + reason;
}

std::string NotStartedInText(const std::string& AWorkingDir, const std::string& AWhy) {
    return "The command was not started in the folder " + Quoted(AWorkingDir) + ": " + AWhy + ".";
}

// Starts the child for ACommand with its output going to AOutput. Returns the text
// that explains why it did not start, or the empty text when it did.
std::string StartChild(const std::string& ACommand, bool ARunWithCmd, const std::string& AWorkingDir,
                       platform::NativeHandle AOutput, platform::ChildProcess& AChild) {
    platform::ProcessStartInfo info;
    info.WorkingDir = AWorkingDir;
    info.OutputFd = AOutput;
    switch (platform::SetCommand(info, ACommand, ARunWithCmd)) {
    case platform::TCommandProblem::OpenQuote:
        return NotStartedInText(AWorkingDir, "it has a quote that is not closed");
    case platform::TCommandProblem::NoProgram:
        return NotStartedInText(AWorkingDir, "it names no program");
    case platform::TCommandProblem::None:
        break;
    }

    const platform::StartError error = platform::StartProcess(info, AChild);
    using TStage = platform::StartError::TStage;
    if (error.Stage == TStage::WorkingDir) return WorkingDirFailureText(AWorkingDir, error.Reason);
    if (error.Stage == TStage::Program)
        return NotStartedInText(AWorkingDir, Quoted(info.Program) +
                                                 " could not be started (" + error.Reason.message() + ")");
    return {};
}

}  // namespace

void TCmd::RunCommand(const std::string& AWorkingDir) {
    if (FCommmandStr.empty()) throw Exception("Command String Empty.");

    platform::Pipe pipe;
    if (const std::error_code error = platform::CreatePipe(pipe)) {
        RaiseReadError("The command was not started: no pipe for its output could be made (" +
                       error.message() + ").");
        return;
    }

    platform::ChildProcess child;
    const std::string failure = StartChild(FCommmandStr, FRunWithCmd, AWorkingDir, pipe.WriteEnd.Get(), child);
    // From here only the child and its heirs hold the write end, so the pipe reports its
    // end once they have all finished with it.
    pipe.WriteEnd.Close();
    RaiseReadError(failure);
    if (!child.Started()) return;

    AnsiText output;
    try {
        ReadToEnd(pipe.ReadEnd, output.Bytes);
        child.Wait();
    } catch (...) {
        // Hand over what has arrived so far; the original failure then goes on.
        child.Release();
        RaiseReadOutput(output);
        throw;
    }
    RaiseReadOutput(output);
}

void TCmd::RaiseReadError(const std::string& AText) const {
    if (OnReadError) OnReadError(AnsiText{AText});
}

void TCmd::RaiseReadOutput(const AnsiText& AOutput) const {
    if (OnReadOutput) OnReadOutput(AOutput, FCommmandStr);
}
