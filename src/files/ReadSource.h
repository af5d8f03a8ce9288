#pragma once

#include "files/FileErrors.h"
#include "files/FileStamp.h"
#include "files/PathNames.h"

#include <QString>

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zezu {

// A file being read, through the system's calls, whose errors name the
// reason: a regular file opened by name, or standard input, which may be a
// pipe.
class ReadSource
{
public:
    ReadSource() = default;
    ~ReadSource()
    {
        if (m_fd >= 0 && m_owned)
            ::close(m_fd);
    }
    ReadSource(const ReadSource &) = delete;
    ReadSource &operator=(const ReadSource &) = delete;

    // Opens the file without ever waiting, and checks again that the very
    // file opened is a regular one: a FIFO put in its place after a check by
    // name would otherwise block the open until some writer came.
    bool open(const QString &path, QString &reason)
    {
        const QByteArray name = pathBytes(path);
        do
            m_fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        while (m_fd < 0 && errno == EINTR);
        struct stat st;
        if (m_fd < 0) {
            // A socket cannot be opened (ENXIO): it is said what it is.
            const int error = errno;
            reason = ::stat(name.constData(), &st) == 0 && S_ISSOCK(st.st_mode)
                ? notRegularReason() : errorReason(error);
            return false;
        }
        if (::fstat(m_fd, &st) != 0) {
            reason = errorReason(errno);
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            reason = S_ISDIR(st.st_mode) ? folderReason() : notRegularReason();
            return false;
        }
        m_size = st.st_size;
        m_modified = st.st_mtim;
        m_stamp = FileStamp::of(st);
        m_regular = true;
        return true;
    }
    // Standard input, whatever it is; read from where it stands, never
    // rewound, never closed.
    bool openStandardInput(QString &reason)
    {
        struct stat st;
        if (::fstat(STDIN_FILENO, &st) != 0) {
            reason = errorReason(errno);
            return false;
        }
        if (S_ISDIR(st.st_mode)) {
            reason = folderReason();
            return false;
        }
        m_fd = STDIN_FILENO;
        m_owned = false;
        return true;
    }
    qint64 size() const { return m_size; }
    // A regular file's stamp when opened: its bytes', once they were read
    // without a change.
    const FileStamp &stamp() const { return m_stamp; }
    // A regular file opened by name, which can be read twice.
    bool rewindable() const { return m_regular; }
    // The number of bytes read, 0 at the end; -1 on failure, with reason.
    qint64 read(char *buffer, qint64 maxSize, QString &reason)
    {
        ssize_t got;
        do
            got = ::read(m_fd, buffer, std::size_t(maxSize));
        while (got < 0 && errno == EINTR);
        if (got < 0)
            reason = errorReason(errno);
        return got;
    }
    bool rewind(QString &reason)
    {
        if (::lseek(m_fd, 0, SEEK_SET) == 0)
            return true;
        reason = errorReason(errno);
        return false;
    }
    // A regular file written to since it was opened: what was read of it
    // may mix its old bytes and its new.
    bool changedSinceOpened() const
    {
        struct stat st;
        return m_regular && ::fstat(m_fd, &st) == 0
            && (st.st_size != m_size || st.st_mtim.tv_sec != m_modified.tv_sec
                || st.st_mtim.tv_nsec != m_modified.tv_nsec);
    }

private:
    int m_fd = -1;
    bool m_owned = true;
    bool m_regular = false;
    qint64 m_size = 0;
    struct timespec m_modified = {};
    FileStamp m_stamp;
};

} // namespace zezu
