#pragma once

#include "text/ReferenceDecoder.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <utility>

namespace zezu {

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
