#include "files/TextFile.h"

#include "files/FileErrors.h"
#include "files/SafeWrite.h"
#include "files/ReadSource.h"
#include "text/TextCodec.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <optional>


namespace zezu {

namespace {

// Why the path can be neither read nor written as a text file; empty when it
// can, or when nothing is there yet. A FIFO or a device would block or never
// end when read, and a save would put a regular file in its place.
QString whyNotAFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return folderReason();
    if (info.exists() && !info.isFile())
        return notRegularReason();
    return {};
}

QString tooLarge(qint64 size, qint64 maxBytes)
{
    constexpr qint64 kMiB = qint64(1) << 20;
    return QStringLiteral("файл слишком большой (%1 МБ): открыть можно файл не больше %2 МБ")
        .arg((size + kMiB - 1) / kMiB)
        .arg(maxBytes / kMiB);
}

// Opens a regular file and checks its size against the limit. The size is
// only a hint: files under /proc say 0, and a file may grow while it is read;
// the limit holds for what is read too.
bool openToRead(const QString &path, ReadSource &file, QString &reason, qint64 maxBytes)
{
    if (const QString why = whyNotAFile(path); !why.isEmpty()) {
        reason = why;
        return false;
    }
    if (!file.open(path, reason))
        return false;
    if (maxBytes >= 0 && file.size() > maxBytes) {
        reason = tooLarge(file.size(), maxBytes);
        return false;
    }
    return true;
}

// Reads the file from where it stands to its end, handing each piece to
// take, which returns false once it wants no more.
template <typename Take>
bool readPieces(ReadSource &file, QString &reason, qint64 maxBytes, Take take,
                const std::function<void()> &betweenPieces = {})
{
    QByteArray buffer(kReadChunk, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 got = file.read(buffer.data(), buffer.size(), reason);
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        total += got;
        if (maxBytes >= 0 && total > maxBytes) {
            reason = tooLarge(total, maxBytes);
            return false;
        }
        if (!take(QByteArrayView(buffer.constData(), got)))
            return true;
        if (betweenPieces)
            betweenPieces();
    }
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
        if (m_format == TextFormat{}) {
            qint64 pairs = 0;
            const char16_t *src = m_text.utf16();
            for (qsizetype i = 0; i + 1 < m_text.size(); ++i) {
                if (isHighSurrogate(src[i]) && isLowSurrogate(src[i + 1])) {
                    ++pairs;
                    ++i;
                }
            }
            return m_text.size() - pairs;
        }
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

bool readTextFile(const QString &path, QString &text, QString &reason, qint64 maxBytes)
{
    ReadSource file;
    if (!openToRead(path, file, reason, maxBytes))
        return false;
    LineDecoder decoder(file.size());
    if (!readPieces(file, reason, maxBytes, [&](QByteArrayView piece) {
            decoder.feed(piece);
            return true;
        }))
        return false;
    text = decoder.finish();
    return true;
}

bool readTextFile(const QString &path, QString &text, TextFormat &format, QString &reason,
                  qint64 maxBytes, const std::function<void()> &betweenPieces)
{
    ReadSource file;
    if (!openToRead(path, file, reason, maxBytes))
        return false;
    // The format is told by the whole file, so it is read twice rather than
    // held whole as bytes beside its text; the first pass mostly stops early.
    FormatDetector first;
    if (!readPieces(file, reason, maxBytes,
                    [&](QByteArrayView piece) {
                        first.feed(piece);
                        return !first.settled();
                    },
                    betweenPieces)
        || !file.rewind(reason))
        return false;
    const TextFormat found = first.format();
    TextDecoder decoder(found, file.size());
    FormatDetector second;
    if (!readPieces(file, reason, maxBytes, [&](QByteArrayView piece) {
            decoder.feed(piece);
            second.feed(piece);
            return true;
        }, betweenPieces))
        return false;
    if (second.format() == found) {
        text = decoder.finish();
        format = found;
        return true;
    }
    // The file changed between the passes: once more, holding the bytes.
    QByteArray bytes;
    if (!file.rewind(reason) || !readPieces(file, reason, maxBytes, [&](QByteArrayView piece) {
            bytes.append(piece);
            return true;
        }))
        return false;
    format = detectFormat(bytes);
    text = decodeText(bytes, format);
    return true;
}

bool writeTextFile(const QString &path, QStringView text, QString &reason)
{
    return writeTextFile(path, text, TextFormat{}, reason);
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
