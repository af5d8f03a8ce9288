#pragma once

#include "text/TextCodec.h"
#include "text/TextFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

namespace zezu {

// What a pipeline does to the text between reading and writing.
enum class Transform : std::uint8_t { Convert, Decode };

// A file's bytes in, the bytes of its converted (or decoded) text out, piece
// by piece, as the editor would open the file, run the command on the whole
// text and save it: bytes of one format are decoded by the line rule
// (TextDecoder), the text is converted (appendReferences) or decoded
// (appendText), and written in the output format (TextEncoder).
//
// Pieces of any size, cut anywhere, give the very bytes the whole input gives:
// the codecs carry a cut CR LF, UTF-8 sequence, UTF-16 unit or surrogate pair
// themselves, so a pair (which converts to one "?") is never cut; for
// decoding the pipeline holds back the start of a reference that the next
// piece may complete (incompleteReferenceTail). What is held is one
// reference's start: a few units, unless the input is one numeric reference
// with a run of digits as long as the piece, which is then held whole.
class TextPipeline
{
public:
    TextPipeline(const TextFormat &input, const TextFormat &output, Transform transform);

    // Appends the output bytes of the piece to out.
    void feed(QByteArrayView bytes, QByteArray &out);
    // Appends what was held back; the pipeline is spent afterwards.
    void finish(QByteArray &out);

private:
    void pass(bool last, QByteArray &out);
    void feedBytewise(QByteArrayView bytes, QByteArray &out);

    // The common case, Windows-1251 text with CR LF line ends converted to
    // Windows-1251 or UTF-8: the output of each byte is looked up whole, the
    // line rule applied on the way (see TextPipeline.cpp).
    struct ByteOutput
    {
        char bytes[8];
        qsizetype size;
    };
    std::vector<ByteOutput> m_byteTable;
    QByteArrayView m_mark;
    bool m_afterCr = false;
    bool m_lineOpen = false;

    TextDecoder m_decoder;
    TextEncoder m_encoder;
    Transform m_transform;
    // The decoded piece, what is held back for the next one, the result.
    QString m_text;
    QString m_held;
    QString m_result;
};

// The whole input at once: what the pieces must add up to.
QByteArray runPipeline(QByteArrayView bytes, const TextFormat &input, const TextFormat &output,
                       Transform transform);

} // namespace zezu
