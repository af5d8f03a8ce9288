#pragma once

#include "files/TemporaryFiles.h"

#include <QByteArray>

#include <utility>

#include <sys/types.h>

// The system's calls a save makes, each giving 0 or the error (errno) it met,
// which FileErrors.h turns into words for the user.
namespace zezu::posix {

// A file descriptor, closed with the object unless closed before.
class Fd
{
public:
    Fd() = default;
    explicit Fd(int fd)
        : m_fd(fd)
    {
    }
    ~Fd();
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;

    int get() const { return m_fd; }
    // Takes fd, closing the one held before.
    void reset(int fd)
    {
        close();
        m_fd = fd;
    }
    // Closes it now: 0, or the error a delayed write reports (on NFS).
    int close();

private:
    int m_fd = -1;
};

// Opens name (flags without O_CLOEXEC, which is added), again after an
// interruption: 0, or the error.
int open(Fd &fd, const QByteArray &name, int flags);

// The folder a name is in.
QByteArray folderOf(const QByteArray &name);

// Follows the chain of symbolic links that name may be, to the file a save
// writes: the links stay, and a dangling one gets its target created.
int followLinks(QByteArray &name);

// Makes a new file of a short unused name in the folder, prefix and eight
// random letters (a name near the system's limit with more added would be
// too long), guarded (TemporaryFiles.h) from before it exists; mode less
// the umask.
int createNewFile(const QByteArray &folder, const char *prefix, QByteArray &name, Fd &fd,
                  TemporaryFileGuard &guard, mode_t mode = 0666);

// Writes all of bytes at offset, asking again after a write that did part.
int writeAt(int fd, const char *bytes, qsizetype size, qint64 offset);

// Writes every byte of the file from to the file to, from their starts.
int copyBytes(int from, int to);

// Makes the entries of a folder lasting, as fsync makes a file's bytes.
void syncFolder(const QByteArray &folder);

} // namespace zezu::posix
