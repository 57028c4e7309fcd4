// A child's output on its way into the console: decoding in pieces, and the
// console's streamed additions against its add-at-once rule.
//
// Input: a byte choosing the code page, a byte choosing what the console holds
// before, a byte choosing its capacity, then the output's bytes. The output is cut
// into pieces whose lengths come from the output's own bytes, so that cuts fall
// anywhere, also inside CR LF and inside a UTF-8 character.
//
// Oracles: the pieces decode to what the whole output decodes to; a console that
// receives the pieces through BeginOutput, AppendOutput and EndOutput, or AddText of
// the whole, holds exactly what a console without a limit holds unless it dropped old
// text; one that dropped text says so once at the top, holds no more than its
// capacity but for the line being written, and (added at once) keeps the end.
#include <QApplication>
#include <QTextCursor>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "app/ConsoleEdit.h"
#include "platform/CodePage.h"

namespace {

using fuzz::Check;

const unsigned kCodePages[] = {platform::CP_UTF8, platform::CP_UTF8, 1252, 932, 1};
const char* const kBefore[] = {"", "typed by the user", "an earlier line\n", "line\r\nand CR\r"};
const qsizetype kCapacities[] = {TConsoleEdit::kDefaultCapacity, 0, 1, 7, 40, 300};

// Where the output is cut: every piece is 1 to 64 bytes long, its length taken from
// the byte before it.
std::vector<std::string> Pieces(const std::string& bytes) {
    std::vector<std::string> pieces;
    std::size_t at = 0;
    unsigned previous = 0;
    while (at < bytes.size()) {
        const std::size_t length = 1 + previous % 64;
        pieces.push_back(bytes.substr(at, length));
        at += length;
        previous = static_cast<unsigned char>(pieces.back().back());
    }
    return pieces;
}

void Prepare(TConsoleEdit& console, const char* before, qsizetype capacity) {
    QTextCursor cursor(console.document());
    cursor.insertText(QString::fromUtf8(before));
    console.setCapacity(capacity);
}

}  // namespace

// The font library keeps what it loads for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication application(*argc, *argv);
    // Fonts and code-page tables load on first use and stay: load them before the
    // leak checks of the runs start.
    for (const unsigned codePage : kCodePages) {
        TConsoleEdit console;
        console.AddText(DecodeAnsiText(AnsiText{"warm-up \xE2\x82\xAC\x82\xA0\r\n", codePage}));
        console.toPlainText();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const unsigned codePage = kCodePages[data[0] % std::size(kCodePages)];
    const char* const before = kBefore[data[1] % std::size(kBefore)];
    const qsizetype capacity = kCapacities[data[2] % std::size(kCapacities)];
    const std::string bytes(reinterpret_cast<const char*>(data) + 3, size - 3);

    const QString whole = DecodeAnsiText(AnsiText{bytes, codePage});
    TAnsiStreamDecoder decoder(codePage);
    std::vector<QString> decoded;
    for (const std::string& piece : Pieces(bytes)) decoded.push_back(decoder.Decode(piece.data(), qsizetype(piece.size())));
    decoded.push_back(decoder.Finish());
    QString joined;
    for (const QString& piece : decoded) joined += piece;
    Check(joined == whole, "the pieces decode to other text than the whole output");

    TConsoleEdit unbounded;
    TConsoleEdit atOnce;
    TConsoleEdit streamed;
    Prepare(unbounded, before, TConsoleEdit::kDefaultCapacity);
    Prepare(atOnce, before, capacity);
    Prepare(streamed, before, capacity);
    unbounded.AddText(whole);
    atOnce.AddText(whole);
    streamed.BeginOutput();
    for (const QString& piece : decoded) streamed.AppendOutput(piece);
    streamed.EndOutput();
    Check(!streamed.InOutput(), "the output did not end");

    const QString note = TConsoleEdit::RemovedNote(capacity) + u'\n';
    const QString full = unbounded.PlainText();
    for (const TConsoleEdit* console : {&atOnce, &streamed}) {
        const QString text = console->PlainText();
        if (!text.startsWith(note)) {
            // Nothing had to go: the text is all there, as added at once.
            Check(text == full, "a console that dropped nothing differs from the output added at once");
            continue;
        }
        Check(text.count(note) == 1, "the note about dropped text is there more than once");
        // What stays is within the capacity, but for the line being written to.
        const QTextDocument& document = *console->document();
        const qsizetype held = document.characterCount() - 1 - document.firstBlock().length();
        Check(held <= std::max<qsizetype>(capacity, document.lastBlock().length() - 1),
              "the console holds more than its capacity");
        // Added at once, what stays is the end of the whole text, from a line's start.
        if (console == &atOnce) {
            const QString kept = text.sliced(note.size());
            Check(full.endsWith(kept), "what stays is not the end of the output");
        }
    }
    return 0;
}
