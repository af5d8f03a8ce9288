#include "files/TextFile.h"

#include "files/FileErrors.h"
#include "files/PathNames.h"
#include "files/SafeWrite.h"
#include "files/StreamInput.h"
#include "text/TextCodec.h"
#include "text/TextScan.h"

#include <algorithm>
#include <optional>

namespace zezu {

namespace {

// The text's bytes in a format, encoded a piece at a time.
class EncodedText final : public ByteSource
{
public:
    EncodedText(const TextPieces &text, const TextFormat &format)
        : m_text(text)
        , m_format(format)
    {
        // UTF-8 without the mark that would read back as another text (a
        // lone character that Windows-1251 reads as two letters, a C1
        // control, a U+FEFF that would pass for the mark) gets the mark: one
        // pass over the bytes tells, and gives their size on the way.
        if (m_format.encoding != Encoding::Utf8 || m_format.bom)
            return;
        UnmarkedUtf8 written;
        Reading reading(m_format);
        qint64 total = 0;
        for (QByteArrayView piece; !(piece = reading.next(m_text)).isEmpty();) {
            written.feed(piece);
            total += piece.size();
        }
        m_format.bom = written.needsMark();
        m_size = total + (m_format.bom ? byteOrderMark(Encoding::Utf8).size() : 0);
    }
    // The format the bytes are in.
    const TextFormat &format() const { return m_format; }
    qint64 size() const override
    {
        if (!m_size)
            m_size = encodedSize();
        return *m_size;
    }
    QByteArrayView next() override
    {
        if (!m_reading)
            m_reading.emplace(m_format);
        return m_reading->next(m_text);
    }

private:
    // One pass over the text: the piece read, how far it is encoded, and
    // where the next begins (-1 after the last; -2 once finished).
    struct Reading
    {
        explicit Reading(const TextFormat &format)
            : encoder(format)
        {
        }
        QByteArrayView next(const TextPieces &text)
        {
            buffer.resize(0);
            // Small pieces of text make one piece of bytes: a write each
            // would cost a call of the system.
            while (buffer.size() < kWriteChunk && at != -2) {
                if (pos < piece.size()) {
                    const qsizetype length = std::min(kWriteChunk, piece.size() - pos);
                    encoder.feed(QStringView(piece).sliced(pos, length), buffer);
                    pos += length;
                } else if (at >= 0) {
                    // A fresh string: a text held whole comes shared, not copied.
                    piece = QString();
                    pos = 0;
                    at = text(at, piece);
                } else {
                    encoder.finish(buffer);
                    at = -2;
                }
            }
            return buffer;
        }
        TextEncoder encoder;
        QString piece;
        qsizetype pos = 0;
        qsizetype at = 0;
        QByteArray buffer;
    };

    qint64 encodedSize() const
    {
        qint64 total = 0;
        // One byte per character in the page (a surrogate pair is one).
        if (m_format == TextFormat{}) {
            forEachPiece(m_text, [&](QStringView piece) { total += countCharacters(piece); });
            return total;
        }
        Reading reading(m_format);
        for (QByteArrayView piece; !(piece = reading.next(m_text)).isEmpty();)
            total += piece.size();
        return total;
    }

    const TextPieces &m_text;
    TextFormat m_format;
    std::optional<Reading> m_reading;
    mutable std::optional<qint64> m_size;
};

} // namespace

namespace {

using Take = std::function<bool(const QString &, qint64)>;

enum class Reading { Read, Failed, OtherFormat };

// One reading of the file. By the format detect() tells from all of its
// bytes first, when tellFirst; else by what its first piece tells, which the
// rest may contradict. The text goes to take a piece at a time when given,
// else whole into text, once all of it is read.
Reading readOnce(const QString &path, bool tellFirst, TextFormat &format, QString *text,
                 const Take &take, const std::function<bool()> &betweenPieces,
                 StrayBytes *stray, FileStamp *stamp, QString &reason)
{
    StreamInput input;
    std::optional<TextDecoder> decoder;
    TextFormat used;
    if (!input.openFile(path, reason))
        return Reading::Failed;
    if (tellFirst) {
        if (!input.detect(used, reason, betweenPieces))
            return Reading::Failed;
        decoder.emplace(used, take ? 0 : input.sizeHint());
    } else {
        input.tellAsRead();
    }
    QString piece;
    qint64 read = 0;
    for (QByteArrayView bytes;;) {
        if (!input.next(bytes, reason))
            return Reading::Failed;
        read += bytes.size();
        if (!decoder) {
            used = input.formatSoFar();
            input.assume(used);
            decoder.emplace(used, take ? 0 : input.sizeHint());
        } else if (!tellFirst && input.formatSoFar() != used) {
            // Before more text goes by a format the file no longer has.
            return Reading::OtherFormat;
        }
        if (bytes.isEmpty())
            break;
        decoder->feed(bytes);
        if (take) {
            decoder->take(piece);
            if (!piece.isEmpty() && !take(piece, read))
                return Reading::Failed;
        }
        // A reading that hands its text over answers there.
        if (!take && betweenPieces && !betweenPieces())
            return Reading::Failed;
    }
    if (input.changedWhileRead())
        return Reading::OtherFormat;
    QString rest = decoder->finish();
    if (take) {
        if (!rest.isEmpty() && !take(rest, read))
            return Reading::Failed;
    } else {
        *text = std::move(rest);
    }
    format = used;
    if (stray)
        *stray = decoder->strayBytes();
    if (stamp)
        *stamp = input.stamp();
    return Reading::Read;
}

bool readFile(const QString &path, TextFormat &format, QString *text, QString &reason,
              const Take &take, const std::function<void()> &restart,
              const std::function<bool()> &betweenPieces, StrayBytes *stray, FileStamp *stamp)
{
    // Read once where the head tells the format (for a UTF-8 file, half the
    // reading of telling it first from the whole file). Read by the whole
    // file's format otherwise; a file written to meanwhile, or whose bytes
    // then tell another format, changed while it was read, and is read again.
    bool tellFirst = false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        TextFormat found;
        switch (readOnce(path, tellFirst, found, text, take, betweenPieces, stray, stamp, reason)) {
        case Reading::Read:
            format = found;
            return true;
        case Reading::Failed:
            return false;
        case Reading::OtherFormat:
            if (restart)
                restart();
            tellFirst = true;
            break;
        }
    }
    reason = changedWhileReadReason();
    return false;
}

} // namespace

bool readTextFile(const QString &path, QString &text, TextFormat &format, QString &reason,
                  const std::function<bool()> &betweenPieces, StrayBytes *stray,
                  FileStamp *stamp)
{
    return readFile(path, format, &text, reason, {}, {}, betweenPieces, stray, stamp);
}

bool streamTextFile(const QString &path, TextFormat &format, QString &reason,
                    const Take &take,
                    const std::function<void()> &restart,
                    const std::function<bool()> &betweenPieces, StrayBytes *stray,
                    FileStamp *stamp)
{
    return readFile(path, format, nullptr, reason, take, restart, betweenPieces, stray, stamp);
}

void forEachPiece(const TextPieces &text, const std::function<void(QStringView)> &each)
{
    for (qsizetype at = 0; at >= 0;) {
        QString piece;
        at = text(at, piece);
        each(piece);
    }
}

bool writeTextFile(const QString &path, const TextPieces &text, TextFormat &format,
                   QString &reason, FileStamp *written)
{
    EncodedText bytes(text, format);
    if (!saveFile(path, bytes, reason, written))
        return false;
    format = bytes.format();
    return true;
}

bool writeTextFile(const QString &path, QStringView text, TextFormat &format, QString &reason)
{
    // One piece, a view: the encoder takes it a chunk at a time.
    const TextPieces whole = [text](qsizetype, QString &into) {
        into = QString::fromRawData(reinterpret_cast<const QChar *>(text.utf16()), text.size());
        return qsizetype(-1);
    };
    return writeTextFile(path, whole, format, reason);
}

} // namespace zezu
