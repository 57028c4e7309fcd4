#include "app/Screenful.h"

QString Screenful(const QString& AText) {
    qsizetype end = qMin(AText.size(), qsizetype(kScreenfulChars));
    int lines = 1;
    for (qsizetype i = 0; i < end; ++i)
        // A line end at the very end starts no line of its own.
        if (AText[i] == u'\n' && i + 1 < AText.size() && ++lines > kScreenfulLines) {
            end = i;
            break;
        }
    if (end >= AText.size()) return AText;
    // A pair of UTF-16 halves stays whole.
    if (end > 0 && AText[end - 1].isHighSurrogate()) --end;
    QString cut = AText.left(end);
    while (!cut.isEmpty() && cut.back().isSpace()) cut.chop(1);
    return cut + QStringLiteral("\u2026");
}
