#include "document/TextPipeline.h"

#include "convert/ReferenceConverter.h"
#include "convert/ReferenceDecoder.h"

#include <utility>

namespace zezu {

TextPipeline::TextPipeline(const TextFormat &input, const TextFormat &output,
                           Transform transform)
    : m_decoder(input)
    , m_encoder(output)
    , m_transform(transform)
{
}

void TextPipeline::feed(QByteArrayView bytes, QByteArray &out)
{
    m_decoder.feed(bytes);
    m_decoder.take(m_text);
    pass(false, out);
}

void TextPipeline::finish(QByteArray &out)
{
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
    if (!last && !text.isEmpty()) {
        if (m_transform == Transform::Decode)
            hold = incompleteReferenceTail(text);
        else if (isHighSurrogate(text.back().unicode()))
            hold = 1;
    }
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
