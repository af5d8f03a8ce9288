#pragma once

#include <cstddef>

namespace zezu {

// Ranges at least this large ask for huge pages.
inline constexpr std::size_t kHugePagesFrom = std::size_t(4) << 20; // bytes

// Asks the system to back the whole pages of [begin, begin + bytes) with huge
// pages, when the range is kHugePagesFrom or more. Meant for large outputs
// about to be written for the first time: in fresh memory the first touch of
// each small page can cost more than the work that fills it. Only advice:
// where the system says no, or has no such advice, the small pages do.
void adviseHugePages(void *begin, std::size_t bytes);

} // namespace zezu
