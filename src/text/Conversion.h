#pragma once

#include "text/ReferenceStream.h"

#include <QString>
#include <QStringView>

#include <cstdint>

namespace zezu {

// What a command does to a text: turns it into character references (the
// converter, ReferenceConverter.h) or turns references back into text (the
// decoder, ReferenceDecoder.h). The editor's commands and the command line's
// pipeline both convert through here, a piece at a time.
enum class Conversion : std::uint8_t { ToReferences, ToText };

// An upper bound of the length of the result of converting text.
qsizetype convertedLengthBound(Conversion conversion, QStringView text);
// Appends the result of text to out.
void appendConverted(Conversion conversion, QString &out, QStringView text);

// A text converted a piece at a time, cut anywhere (inside a surrogate pair,
// a reference, a run of digits): the pieces give the very result the whole
// text gives. What a piece leaves open waits for the next in bounded room
// (ReferenceStream). Every caller that converts a text in pieces, the
// editor's run and the command line's pipeline, goes through here.
class ConversionStream
{
public:
    explicit ConversionStream(Conversion conversion)
        : m_conversion(conversion)
    {
    }

    // Appends to out the result of the text so far, but for its open end.
    void feed(QStringView piece, QString &out);
    // Appends the rest: the text ended.
    void finish(QString &out);

private:
    Conversion m_conversion;
    // The first half of a pair the last piece ended with.
    char16_t m_high = 0;
    ReferenceStream m_references;
};

} // namespace zezu
