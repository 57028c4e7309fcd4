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
// capacity but for the line being written, and (added at once) keeps the end. Where
// nothing was dropped, the streamed console shows each character with the colour and
// bold of the console that took the output at once.
//
// The same bytes also spell a coloured output from a small alphabet (text, line feeds,
// the SGR codes for the colours, bold and reset, and sequences the console drops); a
// small model of those codes gives each character's colour and bold, and the console
// that receives that output in pieces, also cut inside a sequence, shows exactly them.
#include <QApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "app/AnsiStyle.h"
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

// How one character shows: the character, its colour (0 for the console's own) and
// whether it is bold.
struct TShown {
    QChar Character;
    QRgb Colour = 0;
    bool Bold = false;
    bool operator==(const TShown&) const = default;
};

QRgb ColourOf(const QTextCharFormat& AFormat) {
    return AFormat.hasProperty(QTextFormat::ForegroundBrush) ? AFormat.foreground().color().rgba() : 0;
}

// Every character of the console but the line breaks, as it shows.
std::vector<TShown> Shown(const TConsoleEdit& AConsole) {
    std::vector<TShown> shown;
    for (QTextBlock block = AConsole.document()->begin(); block.isValid(); block = block.next())
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextCharFormat format = fragment.fragment().charFormat();
            for (const QChar c : fragment.fragment().text())
                shown.push_back({c, ColourOf(format), format.fontWeight() >= QFont::Bold});
        }
    return shown;
}

// A coloured output spelt from the bytes, and what each of its characters must show.
struct TColouredOutput {
    QString Text;
    std::vector<TShown> Expected;
};

TColouredOutput ColouredOutput(const std::string& ABytes) {
    TColouredOutput output;
    QRgb colour = 0;
    bool bold = false;
    auto Sgr = [&](const QString& AParameters) { output.Text += QStringLiteral("\x1b[") + AParameters + u'm'; };
    for (std::size_t i = 0; i < ABytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(ABytes[i]);
        const unsigned next = i + 1 < ABytes.size() ? static_cast<unsigned char>(ABytes[i + 1]) : 0;
        switch (b % 24) {
        case 0: case 1: case 2: case 3: case 4: case 5: case 6: case 7:
            Sgr(QString::number(30 + b % 8));
            colour = AnsiColour(b % 8).rgba();
            break;
        case 8:
            Sgr(QString::number(90 + next % 8));
            colour = AnsiColour(8 + next % 8).rgba();
            ++i;
            break;
        case 9:
            Sgr(QStringLiteral("1"));
            bold = true;
            break;
        case 10:
            Sgr(QStringLiteral("22"));
            bold = false;
            break;
        case 11:
            Sgr(QString());  // no parameter: a reset
            colour = 0;
            bold = false;
            break;
        case 12:
            Sgr(QStringLiteral("39"));
            colour = 0;
            break;
        case 13:
            Sgr(QStringLiteral("38;5;") + QString::number(next));
            colour = AnsiColour(static_cast<int>(next)).rgba();
            ++i;
            break;
        case 14:
            Sgr(QStringLiteral("38;2;%1;%2;%3").arg(next).arg(b).arg(255 - next));
            colour = QColor(static_cast<int>(next), b, 255 - static_cast<int>(next)).rgba();
            ++i;
            break;
        case 15:
            Sgr(QStringLiteral("0;1;3") + QString::number(next % 8));
            colour = AnsiColour(static_cast<int>(next % 8)).rgba();
            bold = true;
            ++i;
            break;
        case 16:
            output.Text += QStringLiteral("\x1b[2J\x1b]0;title\x07\x1b[3A");  // dropped, style kept
            break;
        case 17:
            output.Text += u'\n';
            break;
        default: {
            const QChar c(static_cast<char16_t>(b < 0x80 ? u'a' + b % 26 : 0x00C0 + b % 64));
            output.Text += c;
            output.Expected.push_back({c, colour, bold});
        }
        }
    }
    return output;
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
    if (!atOnce.PlainText().startsWith(note) && !streamed.PlainText().startsWith(note))
        Check(Shown(streamed) == Shown(atOnce), "the streamed output is coloured otherwise than the output added at once");
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

    // The coloured output against the model, streamed in pieces.
    const TColouredOutput coloured = ColouredOutput(bytes);
    TConsoleEdit console;
    console.BeginOutput();
    // Each piece 1 to 16 characters long, its length taken from the character before it.
    for (qsizetype at = 0, length = 1; at < coloured.Text.size(); at += length) {
        length = 1 + (at == 0 ? 0 : coloured.Text[at - 1].unicode() % 16);
        console.AppendOutput(coloured.Text.mid(at, length));
    }
    console.EndOutput();
    Check(Shown(console) == coloured.Expected, "a character shows another colour or weight than its codes select");
    return 0;
}
