#pragma once

#include "components/Cmd.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

// Turning a child's 8-bit output into text (QtCore only).

// Decodes 8-bit text with the code page it carries; invalid bytes become
// replacement characters.
QString DecodeAnsiText(const AnsiText& text);

// Decodes a stream of 8-bit pieces in one code page: a character cut between two
// pieces comes out whole with the later one, and the pieces decode to what the whole
// text decodes to at once.
class TAnsiStreamDecoder {
public:
    explicit TAnsiStreamDecoder(unsigned ACodePage);
    QString Decode(const char* ABytes, qsizetype ACount);
    // What an unfinished character at the end of the stream leaves.
    QString Finish();

private:
    unsigned FCodePage;
    QByteArray FHeld;           // UTF-8: the start of a character that is not complete yet
    QStringDecoder FDecoder;    // other code pages
};
