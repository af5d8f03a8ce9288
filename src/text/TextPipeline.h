#pragma once

#include "text/Conversion.h"
#include "text/LineRule.h"
#include "text/TextCodec.h"
#include "text/TextFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

namespace zezu {

// A file's bytes in, the bytes of its converted text out, piece by piece, as
// the editor would open the file, run the command on the whole text and save
// it: the bytes are decoded (TextDecoder), the text converted (Conversion.h)
// and written in the output format (TextEncoder).
//
// Pieces of any size, cut anywhere, give the very bytes the whole input gives:
// the codecs carry a cut CR LF, UTF-8 sequence, UTF-16 unit or surrogate pair
// themselves, and the conversion holds back what the next piece may complete
// (ConversionStream), in bounded room.
class TextPipeline
{
public:
    TextPipeline(const TextFormat &input, const TextFormat &output, Conversion conversion);

    // Appends the output bytes of the piece to out.
    void feed(QByteArrayView bytes, QByteArray &out);
    // Appends what was held back; the pipeline is spent afterwards.
    void finish(QByteArray &out);
    // Characters the output encoding could not hold, written as "?" (or U+FFFD).
    qint64 replaced() const { return m_encoder.replaced(); }
    // Characters the conversion wrote as "?" (C1 controls, lone surrogates).
    qint64 questionMarks() const { return m_questionMarks; }
    // Bytes of a UTF-8 input that were not UTF-8 (TextDecoder).
    const StrayBytes &strayBytes() const { return m_decoder.strayBytes(); }

private:
    void pass(bool last, QByteArray &out);
    void feedBytewise(QByteArrayView bytes, QByteArray &out);

    // Windows-1251 text converted to references in Windows-1251 or UTF-8 with
    // CR LF line ends: the output of each byte is looked up whole, the line
    // rule applied on the way. It earns its place: zezu-convert turns 256 MiB
    // of Russian prose into references in 0.68 s this way and in 1.79 s
    // through the decoder, the converter and the encoder (medians of 7 runs
    // alternated on the 2-core VM this project is built on).
    struct ByteOutput
    {
        char bytes[8];
        qsizetype size;
    };
    std::vector<ByteOutput> m_byteTable;
    QByteArrayView m_mark;
    LineRule m_lines;

    TextDecoder m_decoder;
    TextEncoder m_encoder;
    Conversion m_conversion;
    ConversionStream m_stream;
    qint64 m_questionMarks = 0;
    // The decoded piece and its result.
    QString m_text;
    QString m_result;
};

} // namespace zezu
