#pragma once

#include <atomic>
#include <cstddef>
#include <thread>

namespace zezu {

// Faults in the pages of a large buffer, from a thread of its own, a little
// ahead of the one writing it: in fresh memory the first touch of each page
// costs more than the writing, and a second core can pay it meanwhile. Never
// writes the buffer itself; does nothing where the system cannot populate
// pages without writing them, or for a small buffer.
class PrefaultAhead
{
public:
    // How far ahead of the writer pages are faulted in.
    static constexpr std::size_t kAhead = std::size_t(4) << 20;

    PrefaultAhead(void *begin, std::size_t bytes);
    ~PrefaultAhead();
    PrefaultAhead(const PrefaultAhead &) = delete;
    PrefaultAhead &operator=(const PrefaultAhead &) = delete;

    // The writer has written the first bytes of the buffer.
    void wrote(std::size_t bytes);

private:
    void run(char *begin, std::size_t bytes);

    std::atomic<std::size_t> m_written{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace zezu
