#include "components/Cmd.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <optional>
#include <vector>

#include "components/Exception.h"
#include "platform/Process.h"
#include "platform/Utf8.h"

namespace {

std::string Quoted(const std::string& AText) { return "\"" + AText + "\""; }

// Appends the bytes of one read, leaving out NUL bytes so that the collected text never
// holds one.
void AppendWithoutNul(std::string& ATarget, const char* ABytes, std::size_t ACount) {
    std::copy_if(ABytes, ABytes + ACount, std::back_inserter(ATarget),
                 [](char AByte) { return AByte != '\0'; });
}

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point AStart) {
    return std::chrono::duration<double>(Clock::now() - AStart).count();
}

// How often a read that waits looks whether the run has been given up.
constexpr int kReadPollMs = 100;

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
                       platform::ProcessStartInfo& info, platform::ChildProcess& AChild) {
    info.WorkingDir = AWorkingDir;
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

TCmd::~TCmd() {
    Stop();
    if (FStopper.joinable()) FStopper.join();
}

void TCmd::RunCommand(const std::string& AWorkingDir) {
    if (FCommmandStr.empty()) throw Exception("Command String Empty.");
    if (FStopper.joinable()) FStopper.join();
    {
        const std::lock_guard lock(FMutex);
        FLastRunEnd = TRunEnd{};
        FStopRequested = false;
        FGiveUpReading = false;
        FInputQueue.clear();
        FInputCloseWanted = false;
        FInputGone = false;
        FWriterQuit = false;
    }

    platform::PseudoTerminal terminal;
    platform::Pipe pipe;
    platform::Pipe input;
    platform::ProcessStartInfo info;
    const bool withTerminal = FTerminal && platform::PseudoTerminalSupported();
    if (withTerminal) {
        const platform::TerminalSize size = TerminalSize();
        if (const std::error_code error = platform::OpenPseudoTerminal(terminal, size)) {
            RaiseReadError("The command was not started: no terminal for it could be made (" + error.message() +
                           ").");
            return;
        }
        info.TerminalName = terminal.SlaveName;
        info.Console = terminal.Console.get();
        info.Environment = {"TERM=xterm-256color", "COLUMNS=" + std::to_string(size.Columns),
                            "LINES=" + std::to_string(size.Rows)};
        input.WriteEnd = std::move(terminal.Input);
    } else {
        std::error_code pipeError = platform::CreatePipe(pipe);
        if (!pipeError && FInputFromCaller) pipeError = platform::CreatePipe(input);
        if (pipeError) {
            RaiseReadError("The command was not started: no pipe for its output could be made (" +
                           pipeError.message() + ").");
            return;
        }
        info.OutputFd = pipe.WriteEnd.Get();
        info.InputFd = input.ReadEnd.Get();
    }

    for (const auto& variable : FEnvironment) {
        const std::string prefix = variable.first + "=";
        if (std::none_of(info.Environment.begin(), info.Environment.end(),
                         [&](const std::string& AEntry) { return AEntry.compare(0, prefix.size(), prefix) == 0; }))
            info.Environment.push_back(prefix + variable.second);
    }

    const Clock::time_point start = Clock::now();
    platform::ChildProcess child;
    const std::string failure = StartChild(FCommmandStr, FRunWithCmd, AWorkingDir, info, child);
    // From here only the child and its heirs hold the write end (or the terminal's side),
    // so the output reports its end once they have all finished with it.
    pipe.WriteEnd.Close();
    input.ReadEnd.Close();
    if (withTerminal) platform::ReleaseChildSide(terminal, child);
    const platform::FileHandle& outputEnd = withTerminal ? terminal.Master : pipe.ReadEnd;
    if (child.Started()) {
        const std::lock_guard lock(FMutex);
        FChild = &child;
        FTerminalRun = withTerminal;
        if (withTerminal) FRunTerminal = &terminal;
        FInput = std::move(input.WriteEnd);
        if (FInput.IsOpen()) FWriter = std::thread([this] { FeedInput(); });
    } else {
        const std::lock_guard lock(FMutex);
        FLastRunEnd.Seconds = SecondsSince(start);
    }

    // A terminal's output is UTF-8 (a Windows pseudo console's too, whatever the code page).
    AnsiText output;
    if (withTerminal) output.CodePage = platform::CP_UTF8;
    // A handler that fails while the child runs leaves nobody to take its output: the
    // child and everything it started end now rather than linger or die part-way.
    bool reading = false;
    try {
        RaiseReadError(failure);
        if (!child.Started()) return;
        reading = true;
        ReadToEnd(outputEnd, output);
    } catch (const Exception& error) {
        if (!child.Started()) throw;
        KillAndReap(child, SecondsSince(start));
        if (reading) RaiseReadOutput(output);
        throw Exception(std::string(error.what()) + " (the command was stopped)");
    } catch (...) {
        if (!child.Started()) throw;
        KillAndReap(child, SecondsSince(start));
        if (reading) RaiseReadOutput(output);
        throw;
    }
    child.WaitEnded();
    WaitForTree(child);
    EndRun(child, SecondsSince(start));
    RaiseReadOutput(output);
}

// The run lasts while anything it started runs on, even with its output elsewhere (a
// background job writing to a file, a daemon): Stop still reaches it, and its end is
// reaped here.
void TCmd::WaitForTree(const platform::ChildProcess& AChild) {
    while (!FGiveUpReading && AChild.OthersAlive())
        std::this_thread::sleep_for(std::chrono::milliseconds(kReadPollMs));
}

void TCmd::ReadToEnd(const platform::FileHandle& AReadEnd, AnsiText& AOutput) {
    // The whole output is kept only for a receiver of the whole output.
    const bool collect = static_cast<bool>(OnReadOutput);
    std::vector<char> buffer(FReadSize);
    AnsiText chunk{std::string(), AOutput.CodePage};
    while (!FGiveUpReading) {
        if (!platform::WaitReadable(AReadEnd, kReadPollMs)) continue;
        const std::size_t count = platform::ReadPipe(AReadEnd, buffer.data(), buffer.size());
        if (count == 0) break;
        if (collect) AppendWithoutNul(AOutput.Bytes, buffer.data(), count);
        if (OnReadChunk) {
            chunk.Bytes.clear();
            AppendWithoutNul(chunk.Bytes, buffer.data(), count);
            OnReadChunk(chunk);
        }
    }
}

// Reaps the child and notes how the run ended; from here Stop has nothing to stop.
void TCmd::EndRun(platform::ChildProcess& AChild, double ASeconds) {
    {
        const std::lock_guard lock(FMutex);
        FWriterQuit = true;
    }
    FInputWanted.notify_all();
    if (FWriter.joinable()) FWriter.join();
    {
        const std::lock_guard lock(FMutex);
        const platform::ExitStatus status = AChild.Reap();
        FChild = nullptr;
        FRunTerminal = nullptr;
        FInput.Close();
        FInputQueue.clear();
        using TKind = TRunEnd::TKind;
        FLastRunEnd.Kind = FStopRequested ? TKind::Stopped : status.Signalled ? TKind::Signalled : TKind::Exited;
        FLastRunEnd.Code = status.Code;
        FLastRunEnd.Seconds = ASeconds;
    }
    FRunOver.notify_all();
    if (FStopper.joinable()) FStopper.join();
}

void TCmd::KillAndReap(platform::ChildProcess& AChild, double ASeconds) {
    if (!AChild.Started()) return;
    {
        const std::lock_guard lock(FMutex);
        FStopRequested = true;
        AChild.StopTree(platform::TStopStep::Kill);
    }
    AChild.WaitEnded();
    // What left the group (a daemon, a job of setsid) ends too, as far as a kill reaches.
    for (int i = 0; i < 100 && AChild.OthersAlive(); ++i) {
        AChild.StopTree(platform::TStopStep::Kill);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EndRun(AChild, ASeconds);
}

void TCmd::Stop() {
    const std::lock_guard lock(FMutex);
    if (!FChild || FStopRequested) return;
    FStopRequested = true;
    if (FStopper.joinable()) FStopper.detach();  // a finished stopper of an earlier run
    FStopper = std::thread([this] { StopSteps(); });
}

void TCmd::StopSteps() {
    std::unique_lock lock(FMutex);
    const auto grace = std::chrono::milliseconds(FStopGraceMs);
    for (const platform::TStopStep step :
         {platform::TStopStep::Interrupt, platform::TStopStep::Terminate, platform::TStopStep::Kill}) {
        if (!FChild) return;
        FChild->StopTree(step);
        if (FRunOver.wait_for(lock, grace, [this] { return FChild == nullptr; })) return;
    }
    // Everything of the tree is dead, yet the output has not ended: a process outside the
    // tree holds the pipe. Its output is not worth waiting for.
    FGiveUpReading = true;
}

bool TCmd::WriteInput(const std::string& AText) {
    {
        const std::lock_guard lock(FMutex);
        if (!FChild || !FInput.IsOpen() || FInputCloseWanted || FInputGone) return false;
        if (FInputQueue.size() + AText.size() > kMaxInputBytes) return false;
        FInputQueue += AText;
    }
    FInputWanted.notify_all();
    return true;
}

void TCmd::CloseInput() {
    {
        const std::lock_guard lock(FMutex);
        // A terminal stays open for more keys: its program reads the end-of-input
        // character as the end of its input.
        if (FTerminalRun && FChild) {
            if (FInput.IsOpen() && !FInputGone && FInputQueue.size() < kMaxInputBytes)
                FInputQueue += platform::EndOfInputKeys();
        } else {
            FInputCloseWanted = true;
        }
    }
    FInputWanted.notify_all();
}

std::size_t TCmd::InputWaiting() const {
    const std::lock_guard lock(FMutex);
    return FInputQueue.size();
}

// The run's writer: hands the queued input to the child as fast as it reads, never
// holding the lock while it waits for room, so that Stop and more input are never held up
// by a child that does not read.
void TCmd::FeedInput() {
    constexpr std::size_t kPieceBytes = 64 * 1024;
    std::unique_lock lock(FMutex);
    for (;;) {
        FInputWanted.wait(lock, [this] { return FWriterQuit || FInputCloseWanted || !FInputQueue.empty(); });
        if (FWriterQuit) return;
        if (FInputQueue.empty()) {
            FInput.Close();
            return;
        }
        const std::string piece = FInputQueue.substr(0, kPieceBytes);
        lock.unlock();
        const std::ptrdiff_t written = platform::WritePipeSome(FInput, piece.data(), piece.size(), kReadPollMs);
        lock.lock();
        if (written < 0) {
            FInputGone = true;
            FInputQueue.clear();
            FInput.Close();
            return;
        }
        FInputQueue.erase(0, static_cast<std::size_t>(written));
    }
}

platform::TerminalSize TCmd::TerminalSize() const {
    const std::lock_guard lock(FMutex);
    return FTerminalSize;
}

void TCmd::setTerminalSize(platform::TerminalSize AValue) {
    const std::lock_guard lock(FMutex);
    FTerminalSize = AValue;
    if (FRunTerminal) platform::ResizePseudoTerminal(*FRunTerminal, AValue);
}

TRunEnd TCmd::LastRunEnd() const {
    const std::lock_guard lock(FMutex);
    return FLastRunEnd;
}

void TCmd::RaiseReadError(const std::string& AText) const {
    // The runner's own texts (folder names, the system's reasons) are UTF-8, whatever the
    // system's ANSI code page is: they are tagged as what they are. The empty report of a
    // started child keeps the code page of the output.
    if (OnReadError) OnReadError(AText.empty() ? AnsiText{} : AnsiText{AText, platform::CP_UTF8});
}

void TCmd::RaiseReadOutput(const AnsiText& AOutput) const {
    if (OnReadOutput) OnReadOutput(AOutput, FCommmandStr);
}
