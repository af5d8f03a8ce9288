#include "files/SpooledBytes.h"

#include "files/FileErrors.h"

namespace zezu {

namespace {

constexpr qsizetype kPiece = qsizetype(1) << 20;

} // namespace

bool SpooledBytes::fill(ByteSource &bytes, QString &reason)
{
    if (!m_file.open(reason))
        return false;
    for (QByteArrayView piece;;) {
        if (!bytes.next(piece, reason))
            return false;
        if (piece.isEmpty())
            return m_file.rewind(reason);
        if (!m_file.write(piece, reason))
            return false;
    }
}

bool SpooledBytes::next(QByteArrayView &piece, QString &reason)
{
    m_buffer.resize(kPiece);
    const qint64 got = m_file.read(m_buffer.data(), m_buffer.size(), reason);
    if (got < 0)
        return false;
    if (got == 0 && m_given != m_file.size()) {
        reason = shortWriteReason();
        return false;
    }
    m_given += got;
    piece = QByteArrayView(m_buffer.constData(), got);
    return true;
}

} // namespace zezu
