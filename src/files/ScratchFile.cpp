#include "files/ScratchFile.h"

#include "files/FileErrors.h"
#include "files/PathNames.h"

#include <QDir>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace zezu {

namespace {

bool fail(QString &reason)
{
    reason = QStringLiteral("временный файл: ") + errorReason(errno);
    return false;
}

} // namespace

ScratchFile::~ScratchFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ScratchFile::open(QString &reason)
{
    const QByteArray folder = pathBytes(QDir::tempPath());
    m_fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (m_fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // A file system without nameless files: a name, gone at once.
        QByteArray name = folder + "/zezu-scratch-XXXXXX";
        m_fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (m_fd >= 0)
            ::unlink(name.constData());
    }
    return m_fd >= 0 || fail(reason);
}

bool ScratchFile::write(QByteArrayView bytes, QString &reason)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written =
            ::write(m_fd, bytes.data() + done, std::size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC; // a write that takes nothing: no room
            return fail(reason);
        }
        done += written;
        m_size += written;
    }
    return true;
}

bool ScratchFile::rewind(QString &reason)
{
    return ::lseek(m_fd, 0, SEEK_SET) == 0 || fail(reason);
}

qint64 ScratchFile::read(char *into, qint64 most, QString &reason)
{
    ssize_t got;
    do
        got = ::read(m_fd, into, std::size_t(most));
    while (got < 0 && errno == EINTR);
    if (got < 0)
        fail(reason);
    return got;
}

} // namespace zezu
