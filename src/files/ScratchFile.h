#pragma once

#include <QByteArrayView>
#include <QString>

namespace zezu {

// A file of the temporary folder ($TMPDIR, else /tmp) that nothing outlives:
// it has no name where the system allows (O_TMPFILE), or loses it at once.
// For bytes held while their size or format is told. Its failures say why in
// words for the user (a full disk, a folder that is missing).
class ScratchFile
{
public:
    ScratchFile() = default;
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    bool open(QString &reason);
    bool write(QByteArrayView bytes, QString &reason);
    // Back to the start, for reading what was written.
    bool rewind(QString &reason);
    // The number of bytes read, 0 at the end; -1 on failure, with reason.
    qint64 read(char *into, qint64 most, QString &reason);
    qint64 size() const { return m_size; }

private:
    int m_fd = -1;
    qint64 m_size = 0;
};

} // namespace zezu
