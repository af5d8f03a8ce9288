#pragma once

#include <QString>

#include <array>

namespace zezu {

// Snapshots of the whole text taken before conversions, oldest first; at most
// kLimit are held, and a push beyond that is not recorded.
class UndoHistory
{
public:
    static constexpr int kLimit = 10;

    // Stores a snapshot unless kLimit are held; returns whether it was stored.
    bool push(const QString &text);
    // Takes the newest snapshot off, emptying its slot; empty when none is held.
    QString pop();

    int count() const { return m_count; }
    bool canUndo() const { return m_count > 0; }
    // Slot i, oldest first; slots from count() on are empty.
    const QString &at(int i) const { return m_slots[std::size_t(i)]; }

private:
    std::array<QString, kLimit> m_slots{};
    int m_count = 0;
};

} // namespace zezu
