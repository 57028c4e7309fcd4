#include "app/CommandRun.h"

#include "app/AnsiDecode.h"
#include "components/Exception.h"

#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <utility>

TCommandRun::TCommandRun(std::string ACommand, bool ARunWithCmd, std::string AWorkingDir, QObject* parent)
    : QObject(parent), FCommand(std::move(ACommand)), FWorkingDir(std::move(AWorkingDir)) {
    FCmd.setCommmandStr(FCommand);
    FCmd.setRunWithCmd(ARunWithCmd);
    FCmd.setInputFromCaller(true);
    FCmd.setReadSize(kReadBytes);
    FCmd.OnReadError = [this](const AnsiText& AError) {
        const std::lock_guard lock(FMutex);
        FReport = AError;
        FReportPending = true;
    };
    FCmd.OnReadChunk = [this](const AnsiText& AChunk) {
        FOutputSinceTyped = true;
        std::unique_lock lock(FMutex);
        // A window thread that cannot keep up holds the child back through the pipe,
        // rather than the output piling up here. A stopped child is never held back.
        FDrained.wait(lock, [this] { return FPending.size() < kMaxPendingBytes || FAbandoned || FCutting; });
        if (FAbandoned) return;
        if (!FCutting) {
            // Output after a quiet spell is not kept waiting for the next batch.
            if (FPending.empty() && !FWakePosted && !AChunk.Bytes.empty()) {
                FWakePosted = true;
                QMetaObject::invokeMethod(this, &TCommandRun::Wake, Qt::QueuedConnection);
            }
            FPending += AChunk.Bytes;
            return;
        }
        const std::size_t kept = std::min(AChunk.Bytes.size(), FAfterStopRoom);
        FPending.append(AChunk.Bytes, 0, kept);
        FAfterStopRoom -= kept;
        FCutBytes += AChunk.Bytes.size() - kept;
    };
    FBatchTimer.setInterval(kBatchIntervalMs);
    connect(&FBatchTimer, &QTimer::timeout, this, &TCommandRun::Deliver);
    // A timer, not a posted call: timers come round after the events that wait, so
    // painting, input and other timers get their turn between two batches.
    FRestTimer.setInterval(0);
    connect(&FRestTimer, &QTimer::timeout, this, &TCommandRun::DeliverRest);
    FTypedTimer.setInterval(5);
    connect(&FTypedTimer, &QTimer::timeout, this, &TCommandRun::SendNextTyped);
}

TCommandRun::TCommandRun(const TRoutedRun& ARun, QObject* parent)
    : TCommandRun(ARun.CommandLine, true, ARun.Folder, parent) {
    FCmd.setEnvironment(ARun.Environment);
    FCommand = ARun.ShownLine;
}

TCommandRun::TCommandRun(const TRunRequest& ARequest, const TProjectTools& ATools, QObject* parent)
    : TCommandRun(RouteRequest(ARequest, ATools), parent) {
    FCmd.setTerminal(ARequest.Terminal);
    FCmd.setTerminalSize(ARequest.TerminalSize);
    FEarlyInput = ARequest.Input;
}

TCommandRun::~TCommandRun() { StopAndWait(); }

void TCommandRun::Start() {
    FDecoder = std::make_unique<TAnsiStreamDecoder>(AnsiText{}.CodePage);
    if (FCmd.Terminal() && platform::PseudoTerminalSupported()) {
        const platform::TerminalSize size = FCmd.TerminalSize();
        FScreen = std::make_unique<TTerminalScreen>(size.Columns, size.Rows);
    }
    FRunning = true;
    FSinceHandOver.start();
    FBatchTimer.start();
    FWorker = std::thread([this] {
        try {
            FCmd.RunCommand(FWorkingDir);
        } catch (const std::exception& error) {
            FFailure = QString::fromUtf8(error.what());
        }
        FWorkerDone = true;
        QMetaObject::invokeMethod(this, &TCommandRun::WorkerEnded, Qt::QueuedConnection);
    });
}

void TCommandRun::Stop() {
    // A stop asked for before the child has started is passed on when it has.
    FStopWanted = true;
    FCmd.Stop();
    // What was read and not shown yet goes: the window is free at once, whatever
    // waited.
    {
        const std::lock_guard lock(FMutex);
        FCutBytes += FPending.size();
        std::string().swap(FPending);
        if (!FCutting) FAfterStopRoom = kAfterStopBytes;
        FCutting = true;
        FCutTaken = true;
    }
    FDrained.notify_all();
}

bool TCommandRun::CutWanted() {
    const std::lock_guard lock(FMutex);
    return std::exchange(FCutTaken, false);
}

void TCommandRun::CutTaken() {
    const std::size_t cut = FTaken.size() - FTakenAt;
    std::string().swap(FTaken);
    FTakenAt = 0;
    // A character cut in two is not finished by what comes next.
    if (cut > 0) FDecoder->Finish();
    const std::lock_guard lock(FMutex);
    FCutBytes += cut;
}

bool TCommandRun::WriteInput(const QString& AText) {
    if (FStartReported) return FCmd.WriteInput(AText.toStdString());
    if (!FRunning || FEarlyClose) return false;
    FEarlyInput += AText.toStdString();
    return true;
}

void TCommandRun::WriteBytes(const std::string& ABytes) {
    if (ABytes.empty()) return;
    if (FStartReported)
        FCmd.WriteInput(ABytes);
    else if (FRunning && !FEarlyClose)
        FEarlyInput += ABytes;
}

void TCommandRun::setTerminalSize(platform::TerminalSize AValue) {
    FCmd.setTerminalSize(AValue);
    if (!FScreen) return;
    FScreen->Resize(AValue.Columns, AValue.Rows);
    FScreenChanged = true;
}

void TCommandRun::SendKey(TTerminalScreen::TKey AKey, TKeyModifiers AModifiers) {
    if (!FScreen || !FRunning) return;
    FScreen->Key(AKey, AModifiers);
    SendTyped(FScreen->TakeToProgram());
}

void TCommandRun::SendCharacter(char32_t ACharacter, TKeyModifiers AModifiers) {
    if (!FScreen || !FRunning) return;
    FScreen->Character(ACharacter, AModifiers);
    SendTyped(FScreen->TakeToProgram());
}

void TCommandRun::SendPaste(const QString& AText) {
    if (!FScreen || !FRunning) return;
    FScreen->Paste(AText.toStdString());
    SendTyped(FScreen->TakeToProgram());
}

void TCommandRun::SendTyped(std::string ABytes) {
    if (ABytes.empty()) return;
    // An interrupt goes at once, and the keys still waiting go with what the terminal
    // drops from its input on an interrupt.
    if (ABytes == "\x03") {
        FTyped.clear();
        FTypedTimer.stop();
        WriteBytes(ABytes);
        return;
    }
    FTyped.push_back(std::move(ABytes));
    SendNextTyped();
}

void TCommandRun::SendNextTyped() {
    const bool answered = !FTypedUnanswered || FOutputSinceTyped || FSinceTyped.elapsed() >= kTypedWaitMs;
    if (!FTyped.empty() && answered) {
        FOutputSinceTyped = false;
        WriteBytes(FTyped.front());
        FTyped.pop_front();
        FTypedUnanswered = true;
        FSinceTyped.start();
    }
    if (FTyped.empty()) FTypedTimer.stop();
    else if (!FTypedTimer.isActive()) FTypedTimer.start();
}

void TCommandRun::SendQtKey(int AKey, Qt::KeyboardModifiers AModifiers, const QString& AText) {
    using TKey = TTerminalScreen::TKey;
    static const std::pair<int, TKey> kKeys[] = {
        {Qt::Key_Return, TKey::Enter},     {Qt::Key_Enter, TKey::Enter},   {Qt::Key_Tab, TKey::Tab},
        {Qt::Key_Backtab, TKey::Tab},      {Qt::Key_Backspace, TKey::Backspace}, {Qt::Key_Escape, TKey::Escape},
        {Qt::Key_Up, TKey::Up},            {Qt::Key_Down, TKey::Down},     {Qt::Key_Left, TKey::Left},
        {Qt::Key_Right, TKey::Right},      {Qt::Key_Insert, TKey::Insert}, {Qt::Key_Delete, TKey::Delete},
        {Qt::Key_Home, TKey::Home},        {Qt::Key_End, TKey::End},       {Qt::Key_PageUp, TKey::PageUp},
        {Qt::Key_PageDown, TKey::PageDown},
    };
    const TKeyModifiers modifiers{AModifiers.testFlag(Qt::ShiftModifier) || AKey == Qt::Key_Backtab,
                                  AModifiers.testFlag(Qt::AltModifier), AModifiers.testFlag(Qt::ControlModifier)};
    for (const auto& [qtKey, key] : kKeys)
        if (qtKey == AKey) return SendKey(key, modifiers);
    // Ctrl+letter by the key, whatever text the platform gives it.
    if (modifiers.Ctrl && AKey >= Qt::Key_A && AKey <= Qt::Key_Z)
        return SendCharacter(char32_t(U'a' + (AKey - Qt::Key_A)), modifiers);
    for (const char32_t character : AText.toUcs4())
        if (character >= 0x20 && character != 0x7F) SendCharacter(character, modifiers);
}

void TCommandRun::ToScreen(const char* ABytes, std::size_t ACount) {
    FScreen->Write(ABytes, ACount, true);
    TakeFromScreen();
}

void TCommandRun::TakeFromScreen() {
    FScreenChanged = true;
    QString rows;
    for (const TScreenRow& row : FScreen->TakeScrolled()) {
        rows += RowText(row);
        if (!row.Continues) rows += u'\n';
    }
    FScreen->TakeDropped();  // rows are taken every piece: none wait long enough to go
    if (!rows.isEmpty()) emit outputArrived(rows);
    // Answers to the program's questions (where the cursor is, what the terminal is).
    WriteBytes(FScreen->TakeToProgram());
}

QString TCommandRun::ScreenText(bool AJoinWrapped) const {
    QString text;
    bool lineEnd = false;
    for (const TScreenRow& row : FScreen->Screen()) {
        if (lineEnd) text += u'\n';
        text += RowText(row);
        lineEnd = !AJoinWrapped || !row.Continues;
    }
    return text;
}

QString TCommandRun::RowText(const TScreenRow& ARow) const {
    if (FColours) return QString::fromUtf8(TTerminalScreen::RowAsAnsi(ARow));
    TScreenRow plain = ARow;
    for (TStyleRun& run : plain.Runs) {
        run.Style.Foreground = TCellStyle::kDefaultColour;
        run.Style.Background = TCellStyle::kDefaultColour;
    }
    return QString::fromUtf8(TTerminalScreen::RowAsAnsi(plain));
}

void TCommandRun::CloseInput() {
    if (FStartReported)
        FCmd.CloseInput();
    else
        FEarlyClose = true;
}

void TCommandRun::StopAndWait() {
    {
        const std::lock_guard lock(FMutex);
        FAbandoned = true;
    }
    FDrained.notify_all();
    // The runner takes a stop only once the child has started: ask until the worker is
    // done.
    while (FWorker.joinable() && !FWorkerDone) {
        FCmd.Stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (FWorker.joinable()) FWorker.join();
    FBatchTimer.stop();
    FRestTimer.stop();
}

// Hands what has arrived to the owner's thread: the start report first, then output
// piece by piece until the batch's time is used up.
bool TCommandRun::Deliver() {
    const bool done = DeliverOutput(kBatchBudgetMs);
    if (FScreen && FScreenChanged) {
        // The batch's text is all written: what waited for more is shown now.
        FScreen->Flush();
        TakeFromScreen();
    }
    if (FScreen && std::exchange(FScreenChanged, false))
        emit screenChanged(ScreenText(false), FScreen->CursorRow(), FScreen->CursorColumn(), FScreen->CursorVisible());
    return done;
}

void TCommandRun::Wake() {
    {
        const std::lock_guard lock(FMutex);
        FWakePosted = false;
    }
    // While output streams, the batches keep their pace; after the worker's end the
    // rest has a timer of its own.
    if (!FBatchTimer.isActive() || FSinceHandOver.elapsed() < FBatchTimer.interval()) return;
    Deliver();
    FBatchTimer.start();  // the next batch a whole interval from now
}

bool TCommandRun::DeliverOutput(qint64 ABudgetMs) {
    QElapsedTimer budget;
    budget.start();
    bool report = false;
    AnsiText reportText;
    {
        const std::lock_guard lock(FMutex);
        if (FReportPending) {
            report = true;
            FReportPending = false;
            reportText = std::move(FReport);
        }
    }
    if (report) {
        // The runner reports nothing when the child started, and why otherwise.
        const bool started = reportText.Bytes.empty();
        FStartReported = true;
        if (started && !FEarlyInput.empty()) FCmd.WriteInput(FEarlyInput);
        if (started && FEarlyClose) FCmd.CloseInput();
        if (started && FStopWanted) FCmd.Stop();
        FEarlyInput.clear();
        emit startReported(DecodeAnsiText(reportText), started);
    }
    for (;;) {
        if (CutWanted()) CutTaken();
        if (FTakenAt == FTaken.size()) {
            FTaken.clear();
            FTakenAt = 0;
            {
                const std::lock_guard lock(FMutex);
                FTaken.swap(FPending);
            }
            FDrained.notify_all();
            if (FTaken.empty()) return true;
        }
        const std::size_t size = std::min(FTaken.size() - FTakenAt, std::size_t(kMaxPieceBytes));
        if (FScreen) {
            ToScreen(FTaken.data() + FTakenAt, size);
            FTakenAt += size;
        } else {
            const QString text = FDecoder->Decode(FTaken.data() + FTakenAt, qsizetype(size));
            FTakenAt += size;
            if (!text.isEmpty()) emit outputArrived(text);
        }
        // The quiet spell counts from when the piece has been shown: a piece the window
        // took long over is no quiet spell, and the next one waits for its batch.
        FSinceHandOver.restart();
        if (budget.elapsed() >= ABudgetMs) return FTakenAt == FTaken.size() && PendingEmpty();
    }
}

bool TCommandRun::PendingEmpty() {
    const std::lock_guard lock(FMutex);
    return FPending.empty();
}

void TCommandRun::WorkerEnded() {
    if (FWorker.joinable()) FWorker.join();
    FBatchTimer.stop();
    FRestTimer.start();
}

// What is left goes batch by batch, the window's thread turning in between; then the end.
void TCommandRun::DeliverRest() {
    if (!Deliver()) return;
    FRestTimer.stop();
    FTypedTimer.stop();
    FTyped.clear();
    const QString rest = FScreen ? ScreenText(true) : FDecoder->Finish();
    if (!rest.isEmpty()) emit outputArrived(rest);
    std::uint64_t cut = 0;
    {
        const std::lock_guard lock(FMutex);
        cut = FCutBytes;
    }
    if (cut > 0) emit outputCut(qint64(cut));
    FRunning = false;
    emit finished();
}
