#pragma once

#include <QString>

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

// The editor's large texts live in a few large allocations, which glibc
// backs with huge pages only when told so at start-up (its malloc.hugetlb
// tunable); growing ones then stay whole when they move. Starts the program
// again, once, with the tunable set. Returns only when it did not: not glibc,
// huge pages off, the tunable already given, or the start failed.
void restartWithHugePageAllocations(char **argv);

// Reserves room for units more code units after what out holds, and asks for
// huge pages on the room not yet touched.
void reserveWithHugePages(QString &out, qsizetype units);

} // namespace zezu
