#include "files/StreamInput.h"

#include <algorithm>
#include <utility>

namespace zezu {

StreamInput::StreamInput(Telling telling, std::function<bool()> betweenPieces)
    : m_telling(telling)
    , m_betweenPieces(std::move(betweenPieces))
{
}

StreamInput::~StreamInput() = default;

bool StreamInput::openFile(const QString &path, QString &reason)
{
    if (!m_source.open(path, reason))
        return false;
    if (m_telling == Telling::AsRead)
        m_reading.emplace();
    return true;
}

bool StreamInput::openStandardInput(QString &reason)
{
    m_telling = Telling::First;
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
                                   const std::function<bool(QByteArrayView)> &keep)
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
        if (m_betweenPieces && !m_betweenPieces())
            return false;
    }
    return true;
}

bool StreamInput::tellFirst(QString &reason)
{
    FormatDetector detector;
    if (m_source.rewindable()) {
        if (!feedUntilSettled(detector, reason, [] { return true; },
                              [](QByteArrayView) { return true; })
            || !m_source.rewind(reason))
            return false;
        m_sourceEnded = false;
        m_reading.emplace();
    } else {
        // A pipe cannot be read again: what telling read is held for reading.
        if (!feedUntilSettled(
                detector, reason, [this] { return m_head.size() < kHeadLimit; },
                [this](QByteArrayView piece) {
                    m_head.append(piece);
                    return true;
                }))
            return false;
        if (!detector.settled() && !m_sourceEnded && !spoolRest(detector, reason))
            return false;
    }
    m_told = detector.format();
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

bool StreamInput::nextHeld(QByteArrayView &piece, QString &reason)
{
    if (m_headPos < m_head.size()) {
        const qsizetype length = std::min(kPiece, m_head.size() - m_headPos);
        piece = QByteArrayView(m_head).sliced(m_headPos, length);
        m_headPos += length;
        return true;
    }
    m_head = QByteArray();
    m_headPos = 0;
    m_buffer.resize(kPiece);
    const qint64 got = m_spool ? m_spool->read(m_buffer.data(), m_buffer.size(), reason) : 0;
    if (got < 0)
        return false;
    if (got == 0)
        m_spool.reset();
    piece = QByteArrayView(m_buffer.constData(), got);
    return true;
}

bool StreamInput::next(QByteArrayView &piece, TextFormat &format, QString &reason)
{
    if (m_telling == Telling::First && !m_told && !tellFirst(reason))
        return false;
    if (!m_head.isEmpty() || m_spool) {
        if (!nextHeld(piece, reason))
            return false;
        if (!piece.isEmpty()) {
            format = *m_told;
            return true;
        }
    }
    if (!readSource(piece, reason))
        return false;
    if (m_reading)
        m_reading->feed(piece);
    format = m_telling == Telling::First ? *m_told : m_reading->format();
    return true;
}

bool StreamInput::changedWhileRead() const
{
    const bool toldOtherwise = m_telling == Telling::First && m_reading && m_told
        && m_reading->format() != *m_told;
    return toldOtherwise || m_source.changedSinceOpened();
}

} // namespace zezu
