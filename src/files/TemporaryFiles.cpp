#include "files/TemporaryFiles.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>

namespace zezu {

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

// Every signal whose default ends the program, but SIGXFSZ, which a save
// ignores so that a write past the size limit fails with a reason instead.
constexpr int kEnding[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                           SIGFPE,  SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
#ifdef SIGSTKFLT
                           SIGSTKFLT,
#endif
                           SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS};

// 0: signals end the program at once; -1: they wait (EndingSignalsDeferred);
// a signal number: one came while they waited. One word, so that the
// handler, on any thread, and the scope's end cannot miss each other.
std::atomic<int> g_deferral{0};

void removeGuardedFiles()
{
    for (Slot &slot : g_slots) {
        if (slot.used.load(std::memory_order_acquire))
            ::unlink(slot.name);
    }
}

[[noreturn]] void endAs(int signal)
{
    removeGuardedFiles();
    // Ends as the signal would have, its status the shell's 128 + number.
    ::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);
}

extern "C" void onEndingSignal(int signal, siginfo_t *info, void *)
{
    // A crash cannot wait, nor can the program's own abort().
    const bool fault = (signal == SIGSEGV || signal == SIGBUS || signal == SIGFPE
                        || signal == SIGILL || signal == SIGTRAP || signal == SIGSYS)
        && info->si_code > 0;
    const bool own = info->si_code <= 0 && info->si_pid == ::getpid();
    if (!fault && !own) {
        int expected = -1;
        if (g_deferral.compare_exchange_strong(expected, signal) || expected > 0)
            return;
    }
    endAs(signal);
}

void handle(int signal, const struct sigaction &action)
{
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) != 0)
        return;
    const bool set = (current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL;
    if (!set)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

void removeTemporaryFilesOnSignals()
{
    struct sigaction action {};
    action.sa_sigaction = onEndingSignal;
    action.sa_flags = SA_SIGINFO;
    sigfillset(&action.sa_mask);
    for (const int signal : kEnding)
        handle(signal, action);
    // The real-time signals end the program too; their number is known
    // only at run time.
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        handle(signal, action);
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

EndingSignalsDeferred::EndingSignalsDeferred()
{
    g_deferral.store(-1);
}

EndingSignalsDeferred::~EndingSignalsDeferred()
{
    if (const int signal = g_deferral.exchange(0); signal > 0)
        endAs(signal);
}

} // namespace zezu
