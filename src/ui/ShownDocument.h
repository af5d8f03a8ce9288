#pragma once

#include "ui/ShownText.h"

#include <QString>

class QTextBlock;
class QTextCursor;
class QTextDocument;

namespace zezu {

// The text area's document holds the text as ShownText describes. These read
// the text back from it and put shown pieces into it.

// Whether the block is a part that continues the line of the block before.
bool isPart(const QTextBlock &block);

// Inserts the piece, taken from source, at the cursor: its line breaks make
// blocks of whole lines, its part starts blocks that continue the line.
// Stand-ins that are literal are marked so.
void insertShown(QTextCursor &cursor, QStringView source, const ShownPiece &piece);

// Appends the text the document holds, from the block at view position at
// (a block's start) on, whole blocks until at least units more are in out;
// returns where the next block starts, or -1 after the last. literals says
// whether it may hold literal stand-ins; without them reading back is
// faster.
qsizetype readBackPiece(const QTextDocument *document, qsizetype at, qsizetype units,
                        QString &out, bool literals);

// Keeps each block's count of line separators, which textPositionOf reads,
// as its user state: for the blocks from view position from to to.
void countLineSeparators(const QTextDocument *document, int from, int to);

// The selection's text as the view gives it to other programs (a line
// break as LF), without the breaks before parts.
QString withoutPartBreaks(const QString &selected, const QTextCursor &selection);

} // namespace zezu
