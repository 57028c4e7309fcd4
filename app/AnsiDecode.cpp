#include "app/AnsiDecode.h"

#include "platform/CodePage.h"

QString DecodeAnsiText(const AnsiText& text) {
    TAnsiStreamDecoder decoder(text.CodePage);
    QString decoded = decoder.Decode(text.Bytes.data(), qsizetype(text.Bytes.size()));
    return decoded + decoder.Finish();
}

namespace {

// Where an unfinished UTF-8 character begins at the end of the bytes, or ACount when
// the last character is complete (or not UTF-8 at all).
qsizetype UnfinishedUtf8Tail(const char* ABytes, qsizetype ACount) {
    for (qsizetype back = 1; back <= 3 && back <= ACount; ++back) {
        const auto byte = static_cast<unsigned char>(ABytes[ACount - back]);
        if (byte < 0x80) return ACount;
        if (byte < 0xC0) continue;  // a continuation byte: look further back
        const qsizetype length = byte >= 0xF8 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
        return length > back ? ACount - back : ACount;
    }
    return ACount;
}

QStringDecoder DecoderFor(unsigned ACodePage) {
    if (ACodePage == platform::CP_UTF8) return {};
    return QStringDecoder(QStringLiteral("windows-%1").arg(ACodePage).toLatin1().constData());
}

}  // namespace

TAnsiStreamDecoder::TAnsiStreamDecoder(unsigned ACodePage)
    : FCodePage(ACodePage), FDecoder(DecoderFor(ACodePage)) {}

QString TAnsiStreamDecoder::Decode(const char* ABytes, qsizetype ACount) {
    if (FCodePage != platform::CP_UTF8) {
        if (!FDecoder.isValid()) return QString::fromLatin1(ABytes, ACount);
        return FDecoder.decode(QByteArrayView(ABytes, ACount));
    }
    // A character cut at the end waits for the rest; everything before it decodes now.
    // The decoding is stateless, as for the whole text, so invalid bytes give the same
    // replacement characters however the text was cut.
    QByteArray bytes = FHeld;
    FHeld.clear();
    bytes.append(ABytes, ACount);
    const qsizetype complete = UnfinishedUtf8Tail(bytes.constData(), bytes.size());
    FHeld = bytes.mid(complete);
    return QString::fromUtf8(bytes.constData(), complete);
}

QString TAnsiStreamDecoder::Finish() {
    const QString rest = QString::fromUtf8(FHeld);
    FHeld.clear();
    return rest;
}
