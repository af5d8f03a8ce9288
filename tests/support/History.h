#pragma once

#include "editor/UndoHistory.h"

#include <array>

namespace zezu::test {

// Every slot of the history, the empty ones too, to compare whole.
inline std::array<QString, UndoHistory::kLimit> snapshots(const UndoHistory &history)
{
    std::array<QString, UndoHistory::kLimit> all;
    for (int i = 0; i < UndoHistory::kLimit; ++i)
        all[std::size_t(i)] = history.at(i);
    return all;
}

} // namespace zezu::test
