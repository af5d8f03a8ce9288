#include "files/SpooledBytes.h"

#include "files/FileErrors.h"

#include <QDir>

namespace zezu {

namespace {

constexpr qsizetype kPiece = qsizetype(1) << 20;

} // namespace

bool SpooledBytes::fill(ByteSource &bytes, QString &reason)
{
    m_file.setFileTemplate(QDir::tempPath() + QStringLiteral("/zezu-spool-XXXXXX"));
    if (!m_file.open()) {
        reason = m_file.errorString();
        return false;
    }
    for (QByteArrayView piece = bytes.next(); !piece.isEmpty(); piece = bytes.next()) {
        if (m_file.write(piece.data(), piece.size()) != piece.size()) {
            reason = m_file.errorString();
            return false;
        }
    }
    if (reason = bytes.failure(); !reason.isEmpty())
        return false;
    if (!m_file.flush() || !m_file.seek(0)) {
        reason = m_file.errorString();
        return false;
    }
    m_size = m_file.size();
    return true;
}

QByteArrayView SpooledBytes::next()
{
    m_buffer.resize(kPiece);
    const qint64 got = m_file.read(m_buffer.data(), m_buffer.size());
    if (got <= 0) {
        if (got < 0)
            m_failure = m_file.errorString();
        else if (m_given != m_size)
            m_failure = shortWriteReason();
        return {};
    }
    m_given += got;
    return QByteArrayView(m_buffer.constData(), got);
}

} // namespace zezu
