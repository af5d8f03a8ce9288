#include "files/StreamInput.h"


#include <algorithm>

namespace zezu {

StreamInput::StreamInput() = default;
StreamInput::~StreamInput() = default;

bool StreamInput::openFile(const QString &path, QString &reason)
{
    return m_source.open(path, reason);
}

bool StreamInput::openStandardInput(QString &reason)
{
    return m_source.openStandardInput(reason);
}

bool StreamInput::readSource(QByteArrayView &piece, QString &reason)
{
    piece = {};
    if (m_sourceEnded)
        return true;
    m_buffer.resize(kPiece);
    const qint64 got = m_source.read(m_buffer.data(), m_buffer.size(), reason);
    if (got < 0)
        return false;
    m_sourceEnded = got == 0;
    piece = QByteArrayView(m_buffer.constData(), got);
    return true;
}

bool StreamInput::feedUntilSettled(FormatDetector &detector, QString &reason,
                                   const std::function<bool()> &more,
                                   const std::function<bool(QByteArrayView)> &keep,
                                   const std::function<bool()> &betweenPieces)
{
    QByteArrayView piece;
    while (!detector.settled() && more()) {
        if (!readSource(piece, reason))
            return false;
        if (piece.isEmpty())
            break;
        detector.feed(piece);
        if (!keep(piece))
            return false;
        if (betweenPieces && !betweenPieces())
            return false;
    }
    return true;
}

bool StreamInput::detect(TextFormat &format, QString &reason,
                         const std::function<bool()> &betweenPieces)
{
    FormatDetector detector;
    const auto always = [] { return true; };
    if (m_source.rewindable()) {
        if (!feedUntilSettled(detector, reason, always, [](QByteArrayView) { return true; },
                              betweenPieces)
            || !m_source.rewind(reason))
            return false;
        m_sourceEnded = false;
        format = m_format = detector.format();
        m_recheck.emplace();
        return true;
    }
    // A pipe cannot be read again: what detection read is held for reading.
    if (!feedUntilSettled(
            detector, reason, [this] { return m_head.size() < kHeadLimit; },
            [this](QByteArrayView piece) {
                m_head.append(piece);
                return true;
            }))
        return false;
    if (!detector.settled() && !m_sourceEnded && !spoolRest(detector, reason))
        return false;
    format = detector.format();
    return true;
}

bool StreamInput::spoolRest(FormatDetector &detector, QString &reason)
{
    m_spool = std::make_unique<ScratchFile>();
    if (!m_spool->open(reason) || !m_spool->write(m_head, reason))
        return false;
    m_head = QByteArray();
    return feedUntilSettled(
               detector, reason, [] { return true; },
               [this, &reason](QByteArrayView piece) { return m_spool->write(piece, reason); })
        && m_spool->rewind(reason);
}

bool StreamInput::next(QByteArrayView &piece, QString &reason)
{
    if (m_headPos < m_head.size()) {
        const qsizetype length = std::min(kPiece, m_head.size() - m_headPos);
        piece = QByteArrayView(m_head).sliced(m_headPos, length);
        m_headPos += length;
        return true;
    }
    if (!m_head.isEmpty()) {
        m_head = QByteArray();
        m_headPos = 0;
    }
    if (m_spool) {
        m_buffer.resize(kPiece);
        const qint64 got = m_spool->read(m_buffer.data(), m_buffer.size(), reason);
        if (got < 0)
            return false;
        if (got > 0) {
            piece = QByteArrayView(m_buffer.constData(), got);
            return true;
        }
        m_spool.reset();
    }
    if (!readSource(piece, reason))
        return false;
    if (m_recheck)
        m_recheck->feed(piece);
    return true;
}

} // namespace zezu
