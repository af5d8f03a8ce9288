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
//
// Measured on the 2-core VM this project is built on, alternated with a
// build without the advice: Ctrl+G to the painted result took 756 ms instead
// of 1058 ms at 10 M characters and 4.34 s instead of 5.73 s at 50 M
// (bench_convert_command, medians of 4 runs each); a 50 MiB file was read in
// 54 and 173 ms instead of 320 and 320 ms, its first screen painted after 82
// and 142 ms instead of 361 and 362 ms (bench_files, 2 runs each).
void adviseHugePages(void *begin, std::size_t bytes);

// Reserves room for units more code units after what out holds, and asks for
// huge pages on the room not yet touched.
void reserveWithHugePages(QString &out, qsizetype units);

} // namespace zezu
