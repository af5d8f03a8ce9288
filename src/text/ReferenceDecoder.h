#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <utility>

namespace zezu {

// Turns character references back into characters, so that text the converter
// wrote comes back as it was:
//  - "&nbsp;" becomes a plain space;
//  - every other HTML5 named reference that ends with ";" becomes its
//    character (or two);
//  - "&#1040;", "&#x410;" and "&#X410;" (with the ";") become their character,
//    as the HTML standard reads a number: zero, surrogates and numbers past
//    U+10FFFF become U+FFFD, 0x80..0x9F what HTML reads them as (0x80 is the
//    euro sign), and every other number its code point, a control or a
//    noncharacter too. Leading zeros may be as many as they are; past them a
//    number has at most kMostDigits digits, or it is no reference;
//  - everything else, a reference without its ";" included, is copied as it is.
// The result is never longer than the references.
QString fromReferences(QStringView references);

// Appends the characters of references to out (the same rule as fromReferences).
void appendText(QString &out, QStringView references);

// How many units at the end of piece are the start of a reference that more
// text could still complete: the "&…" that must be carried over to the front
// of the next piece when text is decoded in pieces. 0 when the end of piece
// is no such start. A named reference's start is at most kLongestReferenceStart
// units long; a numeric one ("&#0000…") runs on for as long as its digits do,
// so a caller that reads pieces of a fixed size should read more when the
// carried start is as long as a piece.
qsizetype incompleteReferenceTail(QStringView piece);

// The longest start of a named reference: "&" and the longest name.
inline constexpr qsizetype kLongestReferenceStart = 32;

// The most digits a numeric reference has past its leading zeros: more than
// any number needs (past 7 it is U+FFFD), few enough that a reader of a
// stream holds them in little room.
inline constexpr qsizetype kMostDigits = 8192;

// References decoded from a text that comes in pieces, cut anywhere: the
// pieces give the very text the whole gives. What a piece's end leaves open
// waits for the next piece in bounded room, whatever its length: a name's
// start, or a number's, whose leading zeros are counted, not held. So a run
// of digits of any length takes linear time and little memory.
class ReferenceStream
{
public:
    // Appends to out what the text so far decodes to, but for the open end.
    void feed(QStringView piece, QString &out);
    // Appends the rest: the text ended.
    void finish(QString &out);
    // The units waiting for the next piece (a count of zeros aside).
    qsizetype held() const
    {
        return m_held.size() + (m_number ? m_number->prefix.size() + m_number->digits.size() : 0);
    }

private:
    struct Number
    {
        explicit Number(QString start)
            : prefix(std::move(start))
            , zeros(0)
        {
        }
        QString prefix; // "&#", "&#x" or "&#X"
        qint64 zeros;
        QString digits;
    };
    // Reads on the number's digits; returns what follows them.
    QStringView continueNumber(QStringView piece, QString &out);
    // The number ends: decoded when closed by ";", else copied as it was.
    void endNumber(QString &out, bool closed);

    QString m_held;
    std::optional<Number> m_number;
};
} // namespace zezu
