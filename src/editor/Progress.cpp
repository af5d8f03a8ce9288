#include "editor/Progress.h"

#include <algorithm>
#include <cmath>

namespace zezu {

int progressValue(qint64 i, qint64 n, double scale)
{
    return int(std::nearbyint(double(i) / double(n) * scale));
}

namespace {

// The first j past i at which progressValue(j, n, scale) changes, or n. The
// value grows with j: start just before the boundary where it would round up
// and step.
qint64 nextValueChange(qint64 i, qint64 n, double scale)
{
    if (!(scale > 0)) // a bar of no width never changes
        return n;
    const int value = progressValue(i, n, scale);
    const double boundary = (value + 0.5) * double(n) / scale;
    qint64 j = std::max(i + 1, qint64(boundary) - 1);
    while (j < n && progressValue(j, n, scale) == value)
        ++j;
    return std::min(j, n);
}

} // namespace

void ProgressShown::show(qint64 i, qint64 n)
{
    if (m_percent < 0 && m_dueMs > 0 && m_window.clockMs() < m_dueMs)
        return;
    m_window.showProgress(m_kind);
    const int percent = progressValue(i, n, 100.0);
    const int width = progressValue(i, n, double(m_window.progressBarWidth()));
    if (percent != m_percent || width != m_width)
        m_window.setProgress(percent, width);
    m_percent = percent;
    m_width = width;
}

qint64 ProgressShown::nextChange(qint64 i, qint64 n) const
{
    return std::min(nextValueChange(i, n, 100.0),
                    nextValueChange(i, n, double(m_window.progressBarWidth())));
}

} // namespace zezu
