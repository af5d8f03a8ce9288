#include "text/Conversion.h"

#include "text/ReferenceConverter.h"
#include "text/ReferenceDecoder.h"

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

qsizetype pieceEnd(Conversion conversion, QStringView text, qsizetype end, bool more)
{
    if (!more || end <= 0)
        return end;
    if (text[end - 1].isHighSurrogate())
        --end;
    if (conversion == Conversion::ToText)
        end -= incompleteReferenceTail(text.first(end));
    return end;
}

} // namespace zezu
