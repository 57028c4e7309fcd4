#pragma once

#include "components/Cmd.h"
#include "components/RunRequest.h"
#include "components/TerminalScreen.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class TAnsiStreamDecoder;

// One run of one command line on a worker thread. The command, folder and runner
// settings are values of this run. What the runner raises on the worker reaches the
// owner's thread as signals: the start report first, then the output in batches (at
// most about 25 a second while the child runs; after its end batch after batch, the
// event loop turning in between), then the end. Stop and input are safe at any time.
// Output read but not handed over yet when Stop comes is cut, as is output past
// kAfterStopBytes after it: outputCut tells how much, once, just before the end.
//
// A run on a terminal goes through a terminal emulator on the owner's thread: the rows
// that leave the top of its screen come as output (SGR-coloured lines), the screen
// itself as screenChanged after each batch that changed it, and at the end the final
// screen comes as output before finished. Keys and pastes go to the program as the
// terminal encodes them, and so do its answers to the program's questions.
//
// Typed keys go to the program one at a time: the next one once the program has written
// something since the last (it has read that key and answered it) or after
// kTypedWaitMs. Programs that take one read for one key (the prompts of current tools)
// would otherwise read keys typed ahead as one unknown key.
class TCommandRun : public QObject {
    Q_OBJECT

public:
    TCommandRun(std::string ACommand, bool ARunWithCmd, std::string AWorkingDir, QObject* parent = nullptr);
    // A routed run: its line through the command interpreter, its folder and environment.
    explicit TCommandRun(const TRoutedRun& ARun, QObject* parent = nullptr);
    // A request through the project's tools (RouteRequest, which throws for route settings
    // that cannot be used), with its terminal, size and input.
    TCommandRun(const TRunRequest& ARequest, const TProjectTools& ATools, QObject* parent = nullptr);
    // Stops a run still going and waits until it is over.
    ~TCommandRun() override;

    // The run as people see it (a routed run: with its environment in front).
    const std::string& Command() const { return FCommand; }
    void Start();
    bool IsRunning() const { return FRunning; }
    void Stop();
    // Stops, and returns once the run, its tree and the worker have ended.
    void StopAndWait();
    // Input given before the child has started waits for the start. Never blocks: what
    // the child has not read yet waits in the runner (see InputWaiting).
    bool WriteInput(const QString& AText);
    void CloseInput();
    // Bytes of input the child has not taken yet.
    std::size_t InputWaiting() const { return FCmd.InputWaiting() + FEarlyInput.size(); }
    // How the run ended; valid once finished() has been emitted.
    TRunEnd End() const { return FCmd.LastRunEnd(); }
    // The error the worker met (a failing handler), empty when none.
    const QString& Failure() const { return FFailure; }

    // Before Start: whether the child gets a pseudo-terminal (where the system has one)
    // instead of pipes.
    void setTerminal(bool AValue) { FCmd.setTerminal(AValue); }
    // Whether the run goes on a terminal (known from Start on).
    bool Terminal() const { return FScreen != nullptr; }
    // The terminal's size; during a run its terminal takes the new size at once.
    void setTerminalSize(platform::TerminalSize AValue);
    platform::TerminalSize TerminalSize() const { return FCmd.TerminalSize(); }
    // Whether the terminal's rows keep the colours the program gave them; without, they
    // keep bold, italic, underline and reverse only. Takes effect from the next rows on.
    void setColours(bool AValue) { FColours = AValue; }
    // On a terminal: a key, a typed character and pasted text, as the terminal sends them.
    void SendKey(TTerminalScreen::TKey AKey, TKeyModifiers AModifiers);
    void SendCharacter(char32_t ACharacter, TKeyModifiers AModifiers);
    void SendPaste(const QString& AText);
    // A key of the keyboard (a Qt::Key with its modifiers and text) as a terminal sends it.
    void SendQtKey(int AKey, Qt::KeyboardModifiers AModifiers, const QString& AText);

    // Stop steps are given this long each (the runner's grace).
    void setStopGraceMs(int AValue) { FCmd.setStopGraceMs(AValue); }
    // Output waiting for the owner's thread beyond this many bytes holds the worker back.
    static constexpr std::size_t kMaxPendingBytes = std::size_t(4) * 1024 * 1024;
    // The child's output is read in pieces of up to this many bytes.
    static constexpr std::size_t kReadBytes = std::size_t(64) * 1024;
    // What a stopped child still writes is handed over up to this many bytes.
    static constexpr std::size_t kAfterStopBytes = std::size_t(64) * 1024;
    // Output is handed over in pieces of at most this many bytes, as many as fit in the
    // time budget of one batch; what is left waits for the next batch.
    static constexpr qsizetype kMaxPieceBytes = qsizetype(16) * 1024;
    // The window then lays out and paints what a batch added, which on a large console
    // takes about as long again: 15 ms keeps the whole turn well under 50 ms.
    static constexpr int kBatchBudgetMs = 15;
    static constexpr int kBatchIntervalMs = 40;
    // Before Start: the time between batches while the child runs (kBatchIntervalMs).
    // Output that comes after a quiet spell of at least that long (an echo of a key, a
    // prompt) is handed over at once rather than at the next batch.
    void setBatchIntervalMs(int AValue) { FBatchTimer.setInterval(AValue); }
    // A typed key waits at most this long for the program to answer the one before.
    static constexpr int kTypedWaitMs = 150;

signals:
    // The runner's start report; AStarted tells whether the child is running.
    void startReported(const QString& AText, bool AStarted);
    void outputArrived(const QString& AText);
    // Bytes of output that were read and not handed over because of a stop.
    void outputCut(qint64 ABytes);
    // The terminal's screen: its rows as SGR text joined by line feeds, and the cursor.
    void screenChanged(const QString& ARows, int ACursorRow, int ACursorColumn, bool ACursorVisible);
    void finished();

private:
    // Hands over the start report and output for up to the batch budget; true when
    // nothing is left waiting.
    bool Deliver();
    bool DeliverOutput(qint64 ABudgetMs);
    // Output has come to a worker that had nothing waiting.
    void Wake();
    // Output of a terminal run through its emulator; the screen's rows as SGR text.
    void ToScreen(const char* ABytes, std::size_t ACount);
    // Hands on the rows that left the screen and the emulator's answers.
    void TakeFromScreen();
    // The screen's rows as text, one line each for the live view (where the cursor goes
    // by row), or with wrapped lines whole again for the console's text.
    QString ScreenText(bool AJoinWrapped) const;
    QString RowText(const TScreenRow& ARow) const;
    void WriteBytes(const std::string& ABytes);
    // Typed bytes (one key or one paste) for the program, paced as above.
    void SendTyped(std::string ABytes);
    void SendNextTyped();
    void WorkerEnded();
    void DeliverRest();
    bool PendingEmpty();
    // After a stop: whether what was taken from the worker is still to be dropped, and
    // the drop.
    bool CutWanted();
    void CutTaken();

    std::string FCommand;
    std::string FWorkingDir;
    TCmd FCmd;
    std::thread FWorker;
    bool FRunning = false;
    bool FStopWanted = false;
    std::atomic<bool> FWorkerDone{false};
    QString FFailure;
    QTimer FBatchTimer;
    QTimer FRestTimer;  // after the worker's end: one batch each time the loop comes round
    bool FStartReported = false;
    std::string FEarlyInput;
    bool FEarlyClose = false;
    // Output taken from the worker, handed over piece by piece (owner's thread only).
    std::string FTaken;
    std::size_t FTakenAt = 0;
    std::unique_ptr<TAnsiStreamDecoder> FDecoder;
    std::unique_ptr<TTerminalScreen> FScreen;
    bool FScreenChanged = false;
    QElapsedTimer FSinceHandOver;  // since output was last handed over
    bool FColours = true;
    std::deque<std::string> FTyped;  // keys waiting for the program to answer the last
    bool FTypedUnanswered = false;
    QElapsedTimer FSinceTyped;
    QTimer FTypedTimer;
    std::atomic<bool> FOutputSinceTyped{false};  // set by the worker

    // Shared with the worker.
    std::mutex FMutex;
    std::condition_variable FDrained;
    std::string FPending;
    bool FReportPending = false;
    bool FWakePosted = false;
    bool FAbandoned = false;  // the owner no longer takes output
    bool FCutting = false;    // stopped: pending output is cut, later output kept up to a limit
    bool FCutTaken = false;   // the owner's next batch drops what it has taken
    std::size_t FAfterStopRoom = 0;
    std::uint64_t FCutBytes = 0;
    AnsiText FReport;
};
