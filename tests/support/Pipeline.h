#pragma once

// Fixtures for the command-line pipeline: inputs full of references for the
// decode direction, and the pipeline fed in pieces of a given size or whole.

#include "support/Codecs.h"
#include "text/TextPipeline.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <random>

namespace zezu::test {

// Random text of about size units made of references, whole and cut short,
// and the characters around them: what a decoder has to carry over pieces.
inline QString randomReferences(std::mt19937 &random, int size)
{
    static const char16_t *const parts[] = {
        u"&#1040;", u"&#x410;", u"&#X44f;", u"&amp;", u"&nbsp;", u"&notin;", u"&not",
        u"&#0000000000065;", u"&#65", u"&", u"&#", u"&#x", u"&CounterClockwiseContourIntegral;",
        u"&#128512;", u"&#xD800;", u"&#13;", u"\r\n", u"\r", u"\n", u"a", u" ", u"Ж", u";",
        u"\U0001F600"};
    QString text;
    while (text.size() < size)
        text += QString::fromUtf16(parts[random() % std::size(parts)]);
    return text;
}

// The pipeline fed in pieces of pieceSize bytes.
inline QByteArray inPieces(QByteArrayView bytes, const TextFormat &input,
                           const TextFormat &output, Conversion conversion, qsizetype pieceSize)
{
    TextPipeline pipeline(input, output, conversion);
    QByteArray out;
    for (qsizetype at = 0; at < bytes.size(); at += pieceSize)
        pipeline.feed(bytes.sliced(at, std::min(pieceSize, bytes.size() - at)), out);
    pipeline.finish(out);
    return out;
}

// The whole input at once, as the editor would open, convert and save it:
// what the pieces must add up to.
inline QByteArray runPipeline(QByteArrayView bytes, const TextFormat &input,
                              const TextFormat &output, Conversion conversion)
{
    const QString text = decodeText(bytes, input);
    QString result;
    appendConverted(conversion, result, text);
    return encodeText(result, output);
}

} // namespace zezu::test
