#include "text/TextPipeline.h"

#include "text/CodePage1251.h"
#include "text/ReferenceConverter.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace zezu {

TextPipeline::TextPipeline(const TextFormat &input, const TextFormat &output,
                           Conversion conversion)
    : m_lines(input.lineEnds)
    , m_decoder(input)
    , m_encoder(output)
    , m_conversion(conversion)
    , m_stream(conversion)
{
    const bool bytewise = conversion == Conversion::ToReferences
        && input.encoding == Encoding::Windows1251 && output.lineEnds == LineEnds::CrLf
        && (output.encoding == Encoding::Windows1251 || output.encoding == Encoding::Utf8);
    if (!bytewise)
        return;
    // Each byte's output is what the general path makes of it alone; breaks
    // are the line rule's.
    m_byteTable.resize(256);
    const CodePage1251 &page = CodePage1251::instance();
    TextFormat plain = output;
    plain.bom = false;
    for (int b = 0; b < 256; ++b) {
        const char16_t c = page.charOf(std::uint8_t(b));
        QString converted;
        appendConverted(conversion, converted, QStringView(&c, 1));
        const QByteArray bytes = encodeText(converted, plain);
        Q_ASSERT(bytes.size() <= qsizetype(sizeof(ByteOutput::bytes)));
        ByteOutput &entry = m_byteTable[std::size_t(b)];
        std::memcpy(entry.bytes, bytes.constData(), std::size_t(bytes.size()));
        entry.size = bytes.size();
    }
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
    const ByteOutput *table = m_byteTable.data();
    m_lines.split(src, n, [&](const std::uint8_t *p, const std::uint8_t *end) {
        for (; p != end; ++p) {
            const ByteOutput &entry = table[*p];
            std::memcpy(o, entry.bytes, sizeof entry.bytes);
            o += entry.size;
        }
    }, [&] {
        *o++ = '\r';
        *o++ = '\n';
    });
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
        if (m_lines.lineOpen())
            out.append("\r\n");
        return;
    }
    m_text = m_decoder.finish();
    pass(true, out);
    m_encoder.finish(out);
}

void TextPipeline::pass(bool last, QByteArray &out)
{
    m_result.resize(0);
    if (m_conversion == Conversion::ToReferences)
        m_questionMarks += questionMarksFor(m_text);
    m_stream.feed(m_text, m_result);
    if (last)
        m_stream.finish(m_result);
    m_encoder.feed(m_result, out);
}

} // namespace zezu
