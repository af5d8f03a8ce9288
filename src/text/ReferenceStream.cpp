#include "text/ReferenceStream.h"

#include <utility>

namespace zezu {

void ReferenceStream::feed(QStringView piece, QString &out)
{
    if (m_number)
        piece = continueNumber(piece, out);
    if (piece.isEmpty())
        return;
    QString joined;
    if (!m_held.isEmpty()) {
        joined = std::exchange(m_held, QString());
        joined += piece;
        piece = joined;
    }
    const qsizetype tail = incompleteReferenceTail(piece);
    appendText(out, piece.first(piece.size() - tail));
    const QStringView start = piece.last(tail);
    // "&#" alone may yet be followed by an x.
    if (!start.startsWith(u"&#") || start.size() == 2) {
        m_held = start.toString();
        return;
    }
    // A number's start: "&#", an x, and its digits, the leading zeros counted.
    const bool hex = start.size() > 2 && (start[2].unicode() | 0x20) == u'x';
    m_number.emplace(start.first(2 + hex).toString());
    continueNumber(start.sliced(2 + hex), out);
}

QStringView ReferenceStream::continueNumber(QStringView piece, QString &out)
{
    Number &n = *m_number;
    const bool hex = n.prefix.size() == 3;
    qsizetype i = 0;
    for (; i < piece.size() && digitValue(piece[i].unicode(), hex) < (hex ? 16u : 10u); ++i) {
        if (n.digits.isEmpty() && piece[i] == u'0') {
            ++n.zeros;
            continue;
        }
        n.digits += piece[i];
        // More digits than a reference has: they are text, as are the rest.
        if (n.digits.size() > kMostDigits) {
            endNumber(out, false);
            return piece.sliced(i + 1);
        }
    }
    if (i == piece.size())
        return {};
    const bool closed = piece[i] == u';' && (n.zeros > 0 || !n.digits.isEmpty());
    endNumber(out, closed);
    return piece.sliced(i + closed);
}

void ReferenceStream::endNumber(QString &out, bool closed)
{
    Number &n = *m_number;
    if (closed) {
        // Zeros lead nowhere: the number without them is the same one.
        appendText(out, n.prefix + (n.digits.isEmpty() ? QStringLiteral("0") : n.digits)
                            + QLatin1Char(';'));
    } else {
        out += n.prefix;
        out.resize(out.size() + n.zeros, u'0');
        out += n.digits;
    }
    m_number.reset();
}

void ReferenceStream::finish(QString &out)
{
    if (m_number)
        endNumber(out, false);
    appendText(out, m_held);
    m_held.clear();
}

} // namespace zezu
