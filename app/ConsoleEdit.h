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

    // Adds a text as its own line(s) at the end. CR LF, CR and LF each become one
    // line break. When the text does not fit, what fits is added and
    // Exception("RichEdit line insertion error") is thrown.
    void AddText(const QString& text);

    qsizetype Capacity() const { return FCapacity; }
    void setCapacity(qsizetype value) { FCapacity = value; }

private:
    qsizetype FCapacity = kDefaultCapacity;
};

// Decodes 8-bit text with the code page it carries; invalid bytes become
// replacement characters.
QString DecodeAnsiText(const AnsiText& text);
