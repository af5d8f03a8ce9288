#pragma once

// References decoded a piece at a time, as a caller reading a stream would:
// each piece's unfinished reference goes to the front of the next.

#include "text/ReferenceDecoder.h"

#include <QList>
#include <QString>

namespace zezu::test {

// Cuts text at the given points (ascending, within the text) and appends what
// it decodes to to out. A carried start longer than any name's, other than a
// number's, breaks the decoder's promise: the result then says so instead.
inline QString decodeInPieces(QStringView text, const QList<qsizetype> &cuts, QString out = {})
{
    QString carried;
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        const QString piece = carried + text.sliced(from, cut - from).toString();
        const qsizetype tail = incompleteReferenceTail(piece);
        if (tail > kLongestReferenceStart && !piece.last(tail).startsWith(u"&#"))
            return QStringLiteral("<a named start of %1 units>").arg(tail);
        appendText(out, QStringView(piece).first(piece.size() - tail));
        carried = piece.last(tail);
        from = cut;
    }
    appendText(out, carried + text.sliced(from).toString());
    return out;
}

} // namespace zezu::test
