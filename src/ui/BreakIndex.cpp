#include "ui/BreakIndex.h"

#include "ui/ShownDocument.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <numeric>

namespace zezu {

namespace {

// What the block adds to the text beyond the view: its line separators, and
// the break before it (a CR LF: +1; a part's: -1; none before the first).
int weightOf(const QTextBlock &block)
{
    const int breakBefore = block.blockNumber() == 0 ? 0 : isPart(block) ? -1 : 1;
    return std::max(0, block.userState()) + breakBefore;
}

std::vector<int> weightsOf(const QTextDocument *document, int first, int last)
{
    std::vector<int> weights;
    weights.reserve(std::size_t(std::max(0, last - first + 1)));
    for (QTextBlock b = document->findBlockByNumber(first); b.isValid() && b.blockNumber() <= last;
         b = b.next())
        weights.push_back(weightOf(b));
    return weights;
}

} // namespace

void BreakIndex::rebuild(const QTextDocument *document)
{
    m_buckets.clear();
    m_sums.clear();
    replace(0, 0, weightsOf(document, 0, document->blockCount() - 1));
}

void BreakIndex::changed(const QTextDocument *document, int from, int added, int blocksBefore)
{
    const int first = document->findBlock(from).blockNumber();
    QTextBlock lastBlock = document->findBlock(from + added);
    if (!lastBlock.isValid())
        lastBlock = document->lastBlock();
    // The block after the change may have become a part or stopped being one.
    const int last = std::min(lastBlock.blockNumber() + 1, document->blockCount() - 1);
    const int span = last - first + 1;
    replace(first, span - (document->blockCount() - blocksBefore), weightsOf(document, first, last));
}

qsizetype BreakIndex::textPosition(const QTextDocument *document, int viewPosition) const
{
    const QTextBlock at = document->findBlock(viewPosition);
    if (!at.isValid())
        return viewPosition;
    // The weights before the block and the break before it, and the line
    // separators in it before the position.
    const qint64 before = prefix(at.blockNumber() + 1) - std::max(0, at.userState());
    const QString text = at.text();
    const qsizetype inBlock = std::min<qsizetype>(viewPosition - at.position(), text.size());
    return viewPosition + before + QStringView(text).first(inBlock).count(QChar::LineSeparator);
}

qint64 BreakIndex::prefix(qsizetype count) const
{
    qint64 sum = 0;
    for (std::size_t b = 0; b < m_buckets.size() && count > 0; ++b) {
        const auto size = qsizetype(m_buckets[b].size());
        if (count >= size) {
            sum += m_sums[b];
            count -= size;
        } else {
            sum += std::accumulate(m_buckets[b].begin(), m_buckets[b].begin() + count, qint64(0));
            count = 0;
        }
    }
    return sum;
}

void BreakIndex::replace(qsizetype at, qsizetype removed, const std::vector<int> &weights)
{
    // The bucket at holds, and where in it.
    std::size_t b = 0;
    while (b < m_buckets.size() && at > qsizetype(m_buckets[b].size())) {
        at -= qsizetype(m_buckets[b].size());
        ++b;
    }
    if (b == m_buckets.size()) {
        m_buckets.emplace_back();
        m_sums.push_back(0);
    }
    // The weights from at on, across buckets, gathered into this one.
    std::vector<int> &bucket = m_buckets[b];
    std::vector<int> rest(bucket.begin() + at, bucket.end());
    bucket.resize(std::size_t(at));
    std::size_t next = b + 1;
    while (qsizetype(rest.size()) < removed && next < m_buckets.size()) {
        rest.insert(rest.end(), m_buckets[next].begin(), m_buckets[next].end());
        ++next;
    }
    m_buckets.erase(m_buckets.begin() + qsizetype(b) + 1, m_buckets.begin() + qsizetype(next));
    m_sums.erase(m_sums.begin() + qsizetype(b) + 1, m_sums.begin() + qsizetype(next));
    std::vector<int> merged = std::move(m_buckets[b]);
    merged.insert(merged.end(), weights.begin(), weights.end());
    merged.insert(merged.end(), rest.begin() + std::min(removed, qsizetype(rest.size())), rest.end());
    // Back in buckets of kBucket.
    std::vector<std::vector<int>> split;
    for (std::size_t i = 0; i < merged.size(); i += std::size_t(kBucket))
        split.emplace_back(merged.begin() + qsizetype(i),
                           merged.begin() + qsizetype(std::min(merged.size(), i + std::size_t(kBucket))));
    m_buckets.erase(m_buckets.begin() + qsizetype(b));
    m_sums.erase(m_sums.begin() + qsizetype(b));
    for (std::size_t i = 0; i < split.size(); ++i) {
        m_sums.insert(m_sums.begin() + qsizetype(b + i),
                      std::accumulate(split[i].begin(), split[i].end(), qint64(0)));
        m_buckets.insert(m_buckets.begin() + qsizetype(b + i), std::move(split[i]));
    }
}

} // namespace zezu
