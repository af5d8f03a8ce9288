#include "ui/IntakePace.h"

#include <algorithm>

namespace zezu {

void IntakePace::took(qsizetype units, qint64 ns)
{
    const double perNs = double(units) / double(std::max<qint64>(ns, 1));
    const double paced = std::min(perNs * double(kTargetNs), 4.0 * double(m_next));
    m_next = std::max(m_least, std::min(kMost, qsizetype(paced)));
}

} // namespace zezu
