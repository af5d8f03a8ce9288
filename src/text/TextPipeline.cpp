#include "text/TextPipeline.h"

#include "text/ReferenceConverter.h"
#include "text/ReferenceDecoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace zezu {

TextPipeline::TextPipeline(const TextFormat &input, const TextFormat &output,
                           Transform transform)
    : m_decoder(input)
    , m_encoder(output)
    , m_transform(transform)
{
    const bool bytewise = transform == Transform::Convert && input == TextFormat{}
        && output.lineEnds == LineEnds::CrLf
        && (output.encoding == Encoding::Windows1251 || output.encoding == Encoding::Utf8);
    if (!bytewise)
        return;
    // Each byte's output is what the general path makes of it alone; only
    // CR and LF depend on their neighbours, and are dealt with as they come.
    m_byteTable.resize(256);
    const std::array<char16_t, 256> &chars = cp1251ReadTable();
    TextFormat plain = output;
    plain.bom = false;
    for (int b = 0; b < 256; ++b) {
        const QByteArray bytes = encodeText(toReferences(QStringView(&chars[b], 1)), plain);
        Q_ASSERT(bytes.size() <= qsizetype(sizeof(ByteOutput::bytes)));
        ByteOutput &entry = m_byteTable[std::size_t(b)];
        std::memcpy(entry.bytes, bytes.constData(), std::size_t(bytes.size()));
        entry.size = bytes.size();
    }
    m_byteTable['\r'] = ByteOutput{{'\r', '\n'}, 2};
    if (output.bom)
        m_mark = byteOrderMark(output.encoding);
}

void TextPipeline::feedBytewise(QByteArrayView bytes, QByteArray &out)
{
    const auto *src = reinterpret_cast<const std::uint8_t *>(bytes.data());
    const qsizetype n = bytes.size();
    // Eight bytes are stored for each byte, its output being at most that.
    const qsizetype start = out.size();
    out.resize(start + m_mark.size() + 8 * n + 8);
    char *o = out.data() + start;
    if (!m_mark.isEmpty()) {
        o = std::copy(m_mark.begin(), m_mark.end(), o);
        m_mark = {};
    }
    qsizetype i = 0;
    if (m_afterCr && n > 0) {
        m_afterCr = false;
        if (src[0] == '\n')
            i = 1;
    }
    const ByteOutput *table = m_byteTable.data();
    std::uint8_t last = 0;
    const bool any = i < n;
    while (i < n) {
        last = src[i++];
        const ByteOutput &entry = table[last];
        std::memcpy(o, entry.bytes, sizeof entry.bytes);
        o += entry.size;
        // CR and CR LF end a line, given as CR LF; a lone LF is a character.
        if (last == '\r' && i < n && src[i] == '\n')
            ++i;
    }
    if (any) {
        m_afterCr = last == '\r' && i == n && src[n - 1] == '\r';
        m_lineOpen = last != '\r';
    }
    out.resize(o - out.constData());
}

void TextPipeline::feed(QByteArrayView bytes, QByteArray &out)
{
    if (!m_byteTable.empty()) {
        feedBytewise(bytes, out);
        return;
    }
    m_decoder.feed(bytes);
    m_decoder.take(m_text);
    pass(false, out);
}

void TextPipeline::finish(QByteArray &out)
{
    if (!m_byteTable.empty()) {
        feedBytewise({}, out);
        if (m_lineOpen)
            out.append("\r\n");
        m_lineOpen = false;
        m_afterCr = false;
        return;
    }
    m_text = m_decoder.finish();
    pass(true, out);
    m_encoder.finish(out);
}

void TextPipeline::pass(bool last, QByteArray &out)
{
    if (!m_held.isEmpty()) {
        // What was held goes before the new text, which may complete it.
        m_held.append(m_text);
        std::swap(m_held, m_text);
        m_held.resize(0);
    }
    const QStringView text = m_text;
    qsizetype hold = 0;
    // The decoder never ends a piece within a surrogate pair (TextDecoder
    // holds a high surrogate until its unit after comes), so only a reference
    // can be cut.
    if (!last && m_transform == Transform::Decode)
        hold = incompleteReferenceTail(text);
    const QStringView done = text.first(text.size() - hold);
    m_result.resize(0);
    if (m_transform == Transform::Convert)
        appendReferences(m_result, done);
    else
        appendText(m_result, done);
    m_held.append(text.last(hold));
    m_encoder.feed(m_result, out);
}

QByteArray runPipeline(QByteArrayView bytes, const TextFormat &input, const TextFormat &output,
                       Transform transform)
{
    const QString text = decodeText(bytes, input);
    const QString result =
        transform == Transform::Convert ? toReferences(text) : fromReferences(text);
    return encodeText(result, output);
}

} // namespace zezu
