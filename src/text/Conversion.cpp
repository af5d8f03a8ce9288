#include "text/Conversion.h"

#include "text/ReferenceConverter.h"
#include "text/ReferenceDecoder.h"

#include <utility>

namespace zezu {

qsizetype convertedLengthBound(Conversion conversion, QStringView text)
{
    // Every reference is at least as long as what it stands for.
    return conversion == Conversion::ToReferences ? referencesLengthBound(text) : text.size();
}

void appendConverted(Conversion conversion, QString &out, QStringView text)
{
    if (conversion == Conversion::ToReferences)
        appendReferences(out, text);
    else
        appendText(out, text);
}

void ConversionStream::feed(QStringView piece, QString &out)
{
    if (m_conversion == Conversion::ToText) {
        m_references.feed(piece, out);
        return;
    }
    if (piece.isEmpty())
        return;
    if (const char16_t high = std::exchange(m_high, 0)) {
        const bool paired = piece.front().isLowSurrogate();
        const char16_t pair[2] = {high, paired ? piece.front().unicode() : char16_t(0)};
        appendReferences(out, QStringView(pair, 1 + paired));
        piece = piece.sliced(paired);
    }
    if (!piece.isEmpty() && piece.back().isHighSurrogate()) {
        m_high = piece.back().unicode();
        piece.chop(1);
    }
    appendReferences(out, piece);
}

void ConversionStream::finish(QString &out)
{
    if (m_conversion == Conversion::ToText) {
        m_references.finish(out);
    } else if (const char16_t high = std::exchange(m_high, 0)) {
        appendReferences(out, QStringView(&high, 1));
    }
}

} // namespace zezu
