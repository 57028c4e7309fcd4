#pragma once

#include <QPlainTextEdit>

struct AnsiText;

// The console: white text on black that commands' output is added to at the end.
// The user may type in it; nothing reads back what the user does.
class TConsoleEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    // Characters the console holds at most (each line break counts as one).
    static constexpr qsizetype kDefaultCapacity = qsizetype(32) * 1024 * 1024;

    explicit TConsoleEdit(QWidget* parent = nullptr);

    // Adds a text as its own line(s) at the end, as a terminal shows it (TConsoleOutput):
    // CR LF and LF are line breaks, a lone CR goes back to the start of the line, SGR
    // sequences colour the text. When the text does not fit, what fits is added and
    // Exception("RichEdit line insertion error") is thrown.
    void AddText(const QString& text);

    // While the view shows the last line it follows what is added; once the user has
    // scrolled up it stays where it is.
    bool AtBottom() const;
    void ScrollToBottom();

    // Keeps the view at the bottom across an addition when it was there before.
    class TFollowOutput {
    public:
        explicit TFollowOutput(TConsoleEdit& AConsole);
        ~TFollowOutput();
        TFollowOutput(const TFollowOutput&) = delete;
        TFollowOutput& operator=(const TFollowOutput&) = delete;

    private:
        TConsoleEdit& FConsole;
        bool FFollow;
    };

    qsizetype Capacity() const { return FCapacity; }
    void setCapacity(qsizetype value) { FCapacity = value; }

private:
    qsizetype FCapacity = kDefaultCapacity;
};

// Decodes 8-bit text with the code page it carries; invalid bytes become
// replacement characters.
QString DecodeAnsiText(const AnsiText& text);
