#pragma once

// References decoded a piece at a time, as a caller reading a stream would.

#include "text/ReferenceStream.h"

#include <QList>
#include <QString>

namespace zezu::test {

// Cuts text at the given points (ascending, within the text) and appends what
// it decodes to to out. A stream that holds more than a reference's start can
// be breaks its promise of bounded room: the result then says so instead.
inline QString decodeInPieces(QStringView text, const QList<qsizetype> &cuts, QString out = {})
{
    ReferenceStream stream;
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        stream.feed(text.sliced(from, cut - from), out);
        if (stream.held() > 3 + kMostDigits)
            return QStringLiteral("<%1 units held>").arg(stream.held());
        from = cut;
    }
    stream.feed(text.sliced(from), out);
    stream.finish(out);
    return out;
}

} // namespace zezu::test
