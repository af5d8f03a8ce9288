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
    for (QByteArrayView piece = bytes.next(); !piece.isEmpty(); piece = bytes.next()) {
        if (!m_file.write(piece, reason))
            return false;
    }
    if (reason = bytes.failure(); !reason.isEmpty())
        return false;
    return m_file.rewind(reason);
}

QByteArrayView SpooledBytes::next()
{
    m_buffer.resize(kPiece);
    const qint64 got = m_file.read(m_buffer.data(), m_buffer.size(), m_failure);
    if (got <= 0) {
        if (got == 0 && m_given != m_file.size())
            m_failure = shortWriteReason();
        return {};
    }
    m_given += got;
    return QByteArrayView(m_buffer.constData(), got);
}

} // namespace zezu
