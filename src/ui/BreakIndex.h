#pragma once

#include <QtGlobal>

#include <vector>

class QTextDocument;

namespace zezu {

// Where a position of the text area's view is in the text, found without
// walking every block from the start. Each block of the view holds line
// separators (a CR LF of the text each, one view position for two units) and
// follows a break (a CR LF too, or the break before a part, one view
// position for none): a block's weight is what it adds to the text beyond
// the view. The weights live in buckets of a few hundred blocks with their
// sums, so that a change redoes only the blocks it touched and one bucket's
// worth, and a position is found in a look at each bucket's sum.
class BreakIndex
{
public:
    // The weights of the blocks of the document from scratch.
    void rebuild(const QTextDocument *document);
    // The blocks from view position from to from + added changed, and the
    // document had blocksBefore blocks before the change.
    void changed(const QTextDocument *document, int from, int added, int blocksBefore);
    // The position in the text of a position in the view.
    qsizetype textPosition(const QTextDocument *document, int viewPosition) const;

private:
    // The sum of the first count weights.
    qint64 prefix(qsizetype count) const;
    // Puts weights in place of removed ones at at.
    void replace(qsizetype at, qsizetype removed, const std::vector<int> &weights);

    static constexpr qsizetype kBucket = 256;
    std::vector<std::vector<int>> m_buckets;
    std::vector<qint64> m_sums;
};

} // namespace zezu
