#pragma once

// The text area's text as the commands see it, for the widget tests and the
// window benchmarks: read back whole, set as the program sets a text.

#include "text/TextScan.h"
#include "ui/TextArea.h"

#include <QTextCursor>

#include <algorithm>

namespace zezu::test {

// The text area's whole text, read back as the commands read it.
inline QString textOf(const TextArea *area)
{
    QString text;
    for (qsizetype at = 0; at >= 0;)
        at = area->readPiece(at, qsizetype(1) << 30, text);
    return text;
}

// Sets the text as the program does, through a replacement that takes it in
// pieces of at most piece units (never between a pair's halves) and commits.
inline void setTextOf(TextArea *area, QStringView text, qsizetype piece = qsizetype(1) << 30)
{
    TextArea::Replacement replacement(*area);
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype end = pairSafeEnd(text, std::min(text.size(), at + piece));
        replacement.take(text.sliced(at, end - at));
        at = end;
    }
    replacement.commit();
}

// The position in the text of a position in the view, as the selection
// counts it; the cursor is put there.
inline qsizetype textPositionAt(TextArea *area, int viewPosition)
{
    QTextCursor cursor(area->document());
    cursor.setPosition(viewPosition);
    area->setTextCursor(cursor);
    return area->selStart();
}

} // namespace zezu::test
