#include "files/TemporaryFiles.h"

#ifdef Q_OS_UNIX
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#endif

namespace zezu {

#ifdef Q_OS_UNIX

namespace {

// A fixed table, so that the handler touches no allocator: a program holds
// one such file at a time, or a few.
constexpr int kSlots = 16;

struct Slot
{
    std::atomic<bool> used{false};
    char name[PATH_MAX];
};

Slot g_slots[kSlots];

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void removeAndEnd(int signal)
{
    for (Slot &slot : g_slots) {
        if (slot.used.load(std::memory_order_acquire))
            ::unlink(slot.name);
    }
    // Ends as the signal would have, its status the shell's 128 + number.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

} // namespace

void removeTemporaryFilesOnSignals()
{
    struct sigaction action {};
    action.sa_handler = removeAndEnd;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : kSignals) {
        // A signal the program was started to ignore stays ignored.
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &action, nullptr);
    }
}

void TemporaryFileGuard::guard(const QByteArray &name)
{
    release();
    if (name.size() >= PATH_MAX)
        return;
    for (int i = 0; i < kSlots; ++i) {
        Slot &slot = g_slots[i];
        if (slot.used.load(std::memory_order_relaxed))
            continue;
        std::memcpy(slot.name, name.constData(), std::size_t(name.size()) + 1);
        slot.used.store(true, std::memory_order_release);
        m_slot = i;
        return;
    }
}

void TemporaryFileGuard::release()
{
    if (m_slot >= 0)
        g_slots[m_slot].used.store(false, std::memory_order_release);
    m_slot = -1;
}

#else

void removeTemporaryFilesOnSignals() {}
void TemporaryFileGuard::guard(const QByteArray &) {}
void TemporaryFileGuard::release() {}

#endif

} // namespace zezu
