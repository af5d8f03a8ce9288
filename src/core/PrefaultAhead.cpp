#include "core/PrefaultAhead.h"

#include "core/HugePages.h"

#include <algorithm>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace zezu {

PrefaultAhead::PrefaultAhead(void *begin, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    if (begin && bytes >= kHugePagesFrom)
        m_thread = std::thread([this, begin, bytes] { run(static_cast<char *>(begin), bytes); });
#else
    (void)begin;
    (void)bytes;
#endif
}

PrefaultAhead::~PrefaultAhead()
{
    if (!m_thread.joinable())
        return;
    m_stop = true;
    // A value the thread is not waiting on, so that it wakes; the thread
    // reads it with acquire, so it then sees the stop too.
    m_written.store(~std::size_t(0), std::memory_order_release);
    m_written.notify_all();
    m_thread.join();
}

void PrefaultAhead::wrote(std::size_t bytes)
{
    if (!m_thread.joinable())
        return;
    m_written.store(bytes, std::memory_order_relaxed);
    m_written.notify_one();
}

void PrefaultAhead::run(char *begin, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    static const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const auto start = (reinterpret_cast<std::uintptr_t>(begin) + page - 1) / page * page;
    const auto end = (reinterpret_cast<std::uintptr_t>(begin) + bytes) / page * page;
    constexpr std::size_t kStep = std::size_t(2) << 20;
    std::uintptr_t at = start;
    std::size_t seen = 0;
    while (at < end && !m_stop.load(std::memory_order_relaxed)) {
        const std::uintptr_t ahead = reinterpret_cast<std::uintptr_t>(begin) + seen + kAhead;
        const std::uintptr_t target = std::min(end, ahead / page * page);
        if (at >= target) {
            m_written.wait(seen);
            seen = m_written.load(std::memory_order_acquire);
            continue;
        }
        const std::size_t length = std::min<std::size_t>(kStep, target - at);
        // Populating never changes what a page holds, so the writer may be
        // at work on the same pages meanwhile.
        if (madvise(reinterpret_cast<void *>(at), length, MADV_POPULATE_WRITE) != 0)
            return;
        at += length;
        seen = m_written.load(std::memory_order_acquire);
    }
#else
    (void)begin;
    (void)bytes;
#endif
}

} // namespace zezu
