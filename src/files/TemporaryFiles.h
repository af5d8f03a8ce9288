#pragma once

#include <QByteArray>

namespace zezu {

// Temporary files that must not outlive the program: the new file of a save
// before it takes the old one's place. While a
// TemporaryFileGuard lives, SIGINT, SIGTERM and SIGHUP remove its file before
// the program ends as the signal would; a program asks for that once, at
// start-up, with removeTemporaryFilesOnSignals().
void removeTemporaryFilesOnSignals();

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

} // namespace zezu
