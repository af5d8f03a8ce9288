#pragma once

#include <QByteArray>

namespace zezu {

// What a signal that ends the program leaves of the files a save writes.
//
// A program asks once, at start-up, with removeTemporaryFilesOnSignals():
// from then on every signal whose default is to end the program (SIGINT,
// SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1, ...; not SIGKILL, which
// nothing can catch) first removes the files TemporaryFileGuard guards, and
// the program then ends as the signal would. A signal the program was
// started to ignore, or one it set a handler for, is left alone.
void removeTemporaryFilesOnSignals();

// Guards a file that must not outlive the program: the new file of a save
// before it takes the old one's place, the copy of a file's old bytes while
// the file is written in place.
class TemporaryFileGuard
{
public:
    TemporaryFileGuard() = default;
    ~TemporaryFileGuard() { release(); }
    TemporaryFileGuard(const TemporaryFileGuard &) = delete;
    TemporaryFileGuard &operator=(const TemporaryFileGuard &) = delete;

    // Guards the file of this name (releasing the one guarded before).
    void guard(const QByteArray &name);
    // The file is the program's to keep, or gone: a signal leaves it alone.
    void release();

private:
    int m_slot = -1;
};

// While it lives, a signal sent to end the program waits: the program ends
// when it goes, as the signal would, so that a file written in place is
// written whole. A fault of the program's own (a crash) still ends it at
// once.
class EndingSignalsDeferred
{
public:
    EndingSignalsDeferred();
    ~EndingSignalsDeferred();
    EndingSignalsDeferred(const EndingSignalsDeferred &) = delete;
    EndingSignalsDeferred &operator=(const EndingSignalsDeferred &) = delete;
};

} // namespace zezu
