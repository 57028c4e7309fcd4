#include "app/AnsiStyle.h"

#include <QBrush>
#include <QFont>

#include <optional>

namespace {

// The sixteen named colours, chosen to read well on the console's black.
constexpr QRgb kNamedColours[16] = {
    0x000000, 0xC8372D, 0x3CB043, 0xD2B41E, 0x3C78DC, 0xB43CB4, 0x28AAC8, 0xD0D0D0,
    0x6E6E6E, 0xF05050, 0x5AE65A, 0xF5E650, 0x6EA0FF, 0xE66EE6, 0x5AE6F0, 0xFFFFFF,
};

// CSI parameters beyond this many characters are not worth keeping: such a
// sequence is dropped whole.
constexpr qsizetype kMaxSequence = 64;

// A parameter as a number: empty gives AEmpty, anything but digits (or a number
// too large to mean anything) gives nothing.
std::optional<int> Number(QStringView AText, int AEmpty = 0) {
    if (AText.isEmpty()) return AEmpty;
    if (AText.size() > 6) return std::nullopt;
    int value = 0;
    for (QChar c : AText) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

std::optional<QColor> Rgb(std::optional<int> r, std::optional<int> g, std::optional<int> b) {
    if (!r || !g || !b || *r > 255 || *g > 255 || *b > 255) return std::nullopt;
    return QColor(*r, *g, *b);
}

std::optional<QColor> Indexed(std::optional<int> AIndex) {
    if (!AIndex || *AIndex > 255) return std::nullopt;
    return AnsiColour(*AIndex);
}

}  // namespace

QColor AnsiColour(int AIndex) {
    if (AIndex < 16) return QColor::fromRgb(kNamedColours[AIndex]);
    if (AIndex < 232) {
        static constexpr int kLevels[6] = {0, 95, 135, 175, 215, 255};
        const int cube = AIndex - 16;
        return QColor(kLevels[cube / 36], kLevels[cube / 6 % 6], kLevels[cube % 6]);
    }
    const int grey = 8 + 10 * (AIndex - 232);
    return QColor(grey, grey, grey);
}

QTextCharFormat TAnsiStyle::ToFormat() const {
    QTextCharFormat format;
    if (IsDefault()) return format;
    QColor foreground = Foreground;
    QColor background = Background;
    if (Inverse) {
        foreground = Background.isValid() ? Background : QColor(Qt::black);
        background = Foreground.isValid() ? Foreground : QColor(Qt::white);
    }
    if (foreground.isValid()) format.setForeground(foreground);
    if (background.isValid()) format.setBackground(background);
    if (Bold) format.setFontWeight(QFont::Bold);
    if (Italic) format.setFontItalic(true);
    if (Underline) format.setFontUnderline(true);
    return format;
}

void TAnsiParser::Reset() {
    FState = TState::Ground;
    FSequence.clear();
    FSequenceTooLong = false;
    FStyle = TAnsiStyle();
}

void TAnsiParser::Parse(QStringView AChunk, std::vector<TAnsiPiece>& APieces) {
    FPieces = &APieces;
    qsizetype textStart = -1;  // start of the run of text under way
    auto endText = [&](qsizetype AEnd) {
        if (textStart >= 0 && AEnd > textStart) {
            TAnsiPiece piece;
            piece.Characters = AChunk.sliced(textStart, AEnd - textStart);
            piece.Style = FStyle;
            APieces.push_back(piece);
        }
        textStart = -1;
    };
    auto control = [&](TAnsiPiece::TKind AKind, int AArgument = 0) {
        TAnsiPiece piece;
        piece.Kind = AKind;
        piece.Argument = AArgument;
        APieces.push_back(piece);
    };

    const qsizetype size = AChunk.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = AChunk[i].unicode();
        switch (FState) {
        case TState::Ground:
            if (c == 0x1B) {
                endText(i);
                FState = TState::Escape;
            } else if (c == u'\r') {
                endText(i);
                control(TAnsiPiece::CarriageReturn);
            } else if (c == u'\b') {
                endText(i);
                control(TAnsiPiece::Backspace);
            } else if (textStart < 0) {
                textStart = i;
            }
            break;
        case TState::Escape:
            if (c == u'[') {
                FState = TState::Csi;
                FSequence.clear();
                FSequenceTooLong = false;
            } else if (c == u']' || c == u'P' || c == u'X' || c == u'^' || c == u'_') {
                FState = TState::String;  // a title or another string: dropped
            } else if (c >= 0x20 && c <= 0x2F) {
                FState = TState::EscapeIntermediate;
            } else if (c >= 0x30 && c <= 0x7E) {
                FState = TState::Ground;  // a two-character sequence: dropped
            } else {
                FState = TState::Ground;  // not a sequence: the character counts as output
                --i;
            }
            break;
        case TState::EscapeIntermediate:
            if (c >= 0x30 && c <= 0x7E) {
                FState = TState::Ground;
            } else if (c < 0x20 || c > 0x2F) {
                FState = TState::Ground;
                --i;
            }
            break;
        case TState::Csi:
            if (c >= 0x20 && c <= 0x3F) {
                if (FSequence.size() < kMaxSequence)
                    FSequence += QChar(c);
                else
                    FSequenceTooLong = true;
            } else if (c >= 0x40 && c <= 0x7E) {
                FState = TState::Ground;
                if (!FSequenceTooLong) EndCsi(QChar(c));
            } else {
                FState = TState::Ground;
                --i;
            }
            break;
        case TState::String:
            // Ended by BEL or ESC \. A line feed ends it too, so that a stray ESC ]
            // cannot swallow the rest of the output.
            if (c == 0x07) {
                FState = TState::Ground;
            } else if (c == 0x1B) {
                FState = TState::StringEscape;
            } else if (c == u'\n') {
                FState = TState::Ground;
                --i;
            }
            break;
        case TState::StringEscape:
            if (c == u'\\') {
                FState = TState::Ground;
            } else {
                FState = TState::Escape;  // a new sequence breaks the string off
                --i;
            }
            break;
        }
    }
    endText(size);
    FPieces = nullptr;
}

void TAnsiParser::EndCsi(QChar AFinal) {
    const QStringView parameters(FSequence);
    // Private sequences (CSI ? ..., CSI > ...) and ones with intermediate bytes are
    // modes and queries: dropped.
    for (QChar c : parameters)
        if (c == u'?' || c == u'<' || c == u'=' || c == u'>' || (c >= u' ' && c <= u'/')) return;

    TAnsiPiece piece;
    switch (AFinal.unicode()) {
    case u'm':
        ApplySgr(parameters);
        return;
    case u'K': {
        const std::optional<int> mode = Number(parameters);
        if (mode == 0) piece.Kind = TAnsiPiece::EraseToEnd;
        else if (mode == 2) piece.Kind = TAnsiPiece::EraseLine;
        else return;
        break;
    }
    case u'G': {
        const std::optional<int> column = Number(parameters, 1);
        if (!column) return;
        piece.Kind = TAnsiPiece::Column;
        piece.Argument = std::max(0, *column - 1);
        break;
    }
    default:
        return;
    }
    FPieces->push_back(piece);
}

void TAnsiParser::ApplySgr(QStringView AParameters) {
    const QList<QStringView> groups = AParameters.split(u';');
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const QStringView group = groups[i];
        if (group.contains(u':')) {
            // The colon form keeps an extended colour in one parameter:
            // 38:5:n, 38:2:r:g:b or 38:2:space:r:g:b.
            const QList<QStringView> sub = group.split(u':');
            const std::optional<int> code = Number(sub[0]);
            std::optional<QColor> colour;
            if (sub.size() >= 3 && Number(sub[1]) == 5) colour = Indexed(Number(sub[2]));
            if (sub.size() == 5 && Number(sub[1]) == 2)
                colour = Rgb(Number(sub[2]), Number(sub[3]), Number(sub[4]));
            if (sub.size() >= 6 && Number(sub[1]) == 2)
                colour = Rgb(Number(sub[3]), Number(sub[4]), Number(sub[5]));
            if (code == 4) FStyle.Underline = Number(sub[1]) != 0;
            if (colour && code == 38) FStyle.Foreground = *colour;
            if (colour && code == 48) FStyle.Background = *colour;
            continue;
        }
        const std::optional<int> code = Number(group);
        if (!code) continue;
        const int n = *code;
        if (n == 38 || n == 48) {
            // The semicolon form spreads an extended colour over the next parameters.
            std::optional<QColor> colour;
            const std::optional<int> mode = i + 1 < groups.size() ? Number(groups[i + 1]) : std::nullopt;
            if (mode == 5 && i + 2 < groups.size()) {
                colour = Indexed(Number(groups[i + 2]));
                i += 2;
            } else if (mode == 2 && i + 4 < groups.size()) {
                colour = Rgb(Number(groups[i + 2]), Number(groups[i + 3]), Number(groups[i + 4]));
                i += 4;
            } else {
                return;  // cut short: what follows cannot be told apart
            }
            if (colour) (n == 38 ? FStyle.Foreground : FStyle.Background) = *colour;
            continue;
        }
        if (n >= 30 && n <= 37) FStyle.Foreground = AnsiColour(n - 30);
        else if (n >= 90 && n <= 97) FStyle.Foreground = AnsiColour(n - 90 + 8);
        else if (n >= 40 && n <= 47) FStyle.Background = AnsiColour(n - 40);
        else if (n >= 100 && n <= 107) FStyle.Background = AnsiColour(n - 100 + 8);
        else switch (n) {
            case 0: FStyle = TAnsiStyle(); break;
            case 1: FStyle.Bold = true; break;
            case 22: FStyle.Bold = false; break;
            case 3: FStyle.Italic = true; break;
            case 23: FStyle.Italic = false; break;
            case 4: FStyle.Underline = true; break;
            case 24: FStyle.Underline = false; break;
            case 7: FStyle.Inverse = true; break;
            case 27: FStyle.Inverse = false; break;
            case 39: FStyle.Foreground = QColor(); break;
            case 49: FStyle.Background = QColor(); break;
            default: break;  // blinking, fonts and the like: not shown
            }
    }
}
