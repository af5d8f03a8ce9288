#include "editor/UndoHistory.h"

#include <utility>

namespace zezu {

bool UndoHistory::push(const QString &text)
{
    if (m_count >= kLimit)
        return false;
    m_slots[std::size_t(m_count)] = text;
    ++m_count;
    return true;
}

QString UndoHistory::pop()
{
    if (m_count <= 0)
        return {};
    --m_count;
    return std::exchange(m_slots[std::size_t(m_count)], QString());
}

} // namespace zezu
