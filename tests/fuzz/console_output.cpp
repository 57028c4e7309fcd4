// A child's output on its way into the console: decoding in pieces, and the
// console's streamed additions against its add-at-once rule.
//
// Input: a byte choosing the code page, a byte choosing what the console holds
// before, a byte choosing its capacity, then the output's bytes. The output is cut
// into pieces whose lengths come from the output's own bytes, so that cuts fall
// anywhere, also inside CR LF and inside a UTF-8 character.
//
// Oracles: the pieces decode to what the whole output decodes to; a console that
// receives the pieces through BeginOutput, AppendOutput and EndOutput holds exactly
// what AddText of the whole output gives, and fails (runs out of room) exactly when
// AddText does.
#include <QApplication>
#include <QTextCursor>

#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "app/ConsoleEdit.h"
#include "components/Exception.h"
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

    TConsoleEdit atOnce;
    TConsoleEdit streamed;
    Prepare(atOnce, before, capacity);
    Prepare(streamed, before, capacity);

    bool atOnceFull = false;
    try {
        atOnce.AddText(whole);
    } catch (const Exception&) {
        atOnceFull = true;
    }
    bool streamedFull = false;
    try {
        streamed.BeginOutput();
        for (const QString& piece : decoded) streamed.AppendOutput(piece);
        streamed.EndOutput();
    } catch (const Exception&) {
        streamedFull = true;
        streamed.EndOutput();
    }
    Check(!streamed.InOutput(), "the output did not end");
    Check(streamedFull == atOnceFull, "one way ran out of room and the other did not");
    Check(streamed.toPlainText() == atOnce.toPlainText(), "the streamed output differs from the output added at once");
    return 0;
}
