#pragma once

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

// The piece rule: where a text that is converted in pieces may be cut.
// end is moved back so that the piece text[..end) splits neither a surrogate
// pair (one character, which converts as one) nor, when references are turned
// back, a reference that the text after end could still complete. more says
// whether text goes on after end (known or still to come); when it does not,
// end stays. The result may be 0: a piece that must wait for more.
qsizetype pieceEnd(Conversion conversion, QStringView text, qsizetype end, bool more);

} // namespace zezu
