#include "files/TextFile.h"

#include "files/FileErrors.h"
#include "files/PathNames.h"
#include "files/SafeWrite.h"
#include "files/StreamInput.h"
#include "text/TextCodec.h"
#include "text/TextScan.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include <algorithm>
#include <optional>

namespace zezu {

namespace {

// Why the path cannot be written as a text file; empty when it can, or when
// nothing is there yet. A save would put a regular file in place of a folder,
// a FIFO or a device.
QString whyNotAFile(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(pathBytes(path).constData(), &st) != 0)
        return {};
    if (S_ISDIR(st.st_mode))
        return folderReason();
    return S_ISREG(st.st_mode) ? QString() : notRegularReason();
#else
    const QFileInfo info(path);
    if (info.isDir())
        return folderReason();
    if (info.exists() && !info.isFile())
        return notRegularReason();
    return {};
#endif
}

// The text's bytes in a format, encoded a piece at a time.
class EncodedText final : public ByteSource
{
public:
    EncodedText(QStringView text, const TextFormat &format)
        : m_text(text)
        , m_format(format)
    {
    }
    qint64 size() const override
    {
        if (!m_size)
            m_size = encodedSize();
        return *m_size;
    }
    QByteArrayView next() override
    {
        if (!m_encoder)
            m_encoder.emplace(m_format);
        return nextPiece(*m_encoder, m_pos, m_buffer);
    }

private:
    // The next piece; a pos past the text's end marks the encoder finished.
    QByteArrayView nextPiece(TextEncoder &encoder, qsizetype &pos, QByteArray &buffer) const
    {
        buffer.resize(0);
        const qsizetype n = m_text.size();
        while (buffer.isEmpty() && pos <= n) {
            if (pos < n) {
                const qsizetype length = std::min(kWriteChunk, n - pos);
                encoder.feed(m_text.sliced(pos, length), buffer);
                pos += length;
            } else {
                encoder.finish(buffer);
                ++pos;
            }
        }
        return buffer;
    }

    qint64 encodedSize() const
    {
        // One byte per character in the page (a surrogate pair is one).
        if (m_format == TextFormat{})
            return countCharacters(m_text);
        TextEncoder encoder(m_format);
        QByteArray buffer;
        qsizetype pos = 0;
        qint64 total = 0;
        for (QByteArrayView piece; !(piece = nextPiece(encoder, pos, buffer)).isEmpty();)
            total += piece.size();
        return total;
    }

    QStringView m_text;
    TextFormat m_format;
    std::optional<TextEncoder> m_encoder;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    mutable std::optional<qint64> m_size;
};

} // namespace

bool readTextFile(const QString &path, QString &text, TextFormat &format, QString &reason,
                  const std::function<bool()> &betweenPieces, StrayBytes *stray)
{
    // The format is told by the whole file, so it is read twice rather than
    // held whole as bytes beside its text; a file that changed between the
    // readings is read again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        StreamInput input;
        TextFormat found;
        if (!input.openFile(path, reason) || !input.detect(found, reason, betweenPieces))
            return false;
        TextDecoder decoder(found, input.sizeHint());
        for (QByteArrayView piece;;) {
            if (!input.next(piece, reason))
                return false;
            if (piece.isEmpty())
                break;
            decoder.feed(piece);
            if (betweenPieces && !betweenPieces())
                return false;
        }
        if (!input.changedWhileRead()) {
            text = decoder.finish();
            format = found;
            if (stray)
                *stray = decoder.strayBytes();
            return true;
        }
    }
    reason = changedWhileReadReason();
    return false;
}

bool writeTextFile(const QString &path, QStringView text, const TextFormat &format,
                   QString &reason)
{
    // Neither a folder nor a FIFO or a device is replaced by a regular file.
    if (const QString why = whyNotAFile(path); !why.isEmpty()) {
        reason = why;
        return false;
    }
    EncodedText bytes(text, format);
    return saveFile(path, bytes, reason);
}

} // namespace zezu
