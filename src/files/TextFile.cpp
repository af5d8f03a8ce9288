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

// One pass over a text, encoding it a piece at a time: the piece read, how
// far it is encoded, and where the next begins (-1 after the last; -2 once
// finished).
class EncodingPass
{
public:
    EncodingPass(const TextPieces &text, const TextFormat &format)
        : m_text(text)
        , m_encoder(format)
    {
    }
    // The next piece of bytes, valid until the next call; empty at the end.
    QByteArrayView next()
    {
        m_buffer.resize(0);
        // Small pieces of text make one piece of bytes: a write each would
        // cost a call of the system.
        while (m_buffer.size() < kWriteChunk && m_at != -2) {
            if (m_pos < m_piece.size()) {
                const qsizetype length = std::min(kWriteChunk, m_piece.size() - m_pos);
                m_encoder.feed(QStringView(m_piece).sliced(m_pos, length), m_buffer);
                m_pos += length;
            } else if (m_at >= 0) {
                // A fresh string: a text held whole comes shared, not copied.
                m_piece = QString();
                m_pos = 0;
                m_at = m_text(m_at, m_piece);
            } else {
                m_encoder.finish(m_buffer);
                m_at = -2;
            }
        }
        return m_buffer;
    }

private:
    const TextPieces &m_text;
    TextEncoder m_encoder;
    QString m_piece;
    qsizetype m_pos = 0;
    qsizetype m_at = 0;
    QByteArray m_buffer;
};

// The text's bytes in a format, encoded a piece at a time.
class EncodedText final : public ByteSource
{
public:
    EncodedText(const TextPieces &text, const TextFormat &format,
                const std::function<bool()> &betweenPieces)
        : m_text(text)
        , m_format(format)
        , m_betweenPieces(betweenPieces)
    {
        // UTF-8 without the mark that would read back as another text (a
        // lone character that Windows-1251 reads as two letters, a C1
        // control, a U+FEFF that would pass for the mark) gets the mark: one
        // pass over the bytes tells, and gives their size on the way.
        if (textReadings(m_format) == 1)
            return;
        UnmarkedUtf8 written;
        m_size = passOver([&](QByteArrayView piece) { written.feed(piece); });
        m_format.bom = written.needsMark();
        *m_size += m_format.bom ? byteOrderMark(Encoding::Utf8).size() : 0;
    }
    // The format the bytes are in.
    const TextFormat &format() const { return m_format; }
    qint64 size() const override
    {
        if (!m_size)
            m_size = passOver([](QByteArrayView) {});
        return *m_size;
    }
    bool next(QByteArrayView &piece, QString &) override
    {
        if (!m_writing)
            m_writing.emplace(m_text, m_format);
        piece = m_writing->next();
        return true;
    }
    bool goOn() override { return !m_betweenPieces || m_betweenPieces(); }

private:
    // Encodes the text once, handing each piece of bytes to each; their size.
    template <typename Each>
    qint64 passOver(Each &&each) const
    {
        EncodingPass pass(m_text, m_format);
        qint64 total = 0;
        for (QByteArrayView piece; !(piece = pass.next()).isEmpty(); total += piece.size())
            each(piece);
        return total;
    }

    const TextPieces &m_text;
    TextFormat m_format;
    const std::function<bool()> &m_betweenPieces;
    std::optional<EncodingPass> m_writing;
    mutable std::optional<qint64> m_size;
};

} // namespace

namespace {

using Take = std::function<bool(const QString &, qint64)>;

// The reading of one file, once or again: its text goes to take a piece at a
// time when given, else whole into text once all of it is read.
class FileReading
{
public:
    enum class Outcome { Read, Failed, OtherFormat };

    FileReading(const QString &path, QString *text, const Take &take,
                const std::function<bool()> &betweenPieces)
        : m_path(path)
        , m_text(text)
        , m_take(take)
        , m_betweenPieces(betweenPieces)
    {
    }

    // One reading, the format told as told; on Read, what was found is set.
    Outcome readOnce(StreamInput::Telling telling, TextFormat &format, StrayBytes *stray,
                     FileStamp *stamp, QString &reason)
    {
        // A reading that hands its text over answers there.
        StreamInput input(telling, m_take ? std::function<bool()>() : m_betweenPieces);
        if (!input.openFile(m_path, reason))
            return Outcome::Failed;
        std::optional<TextDecoder> decoder;
        TextFormat used;
        QString piece;
        qint64 read = 0;
        for (QByteArrayView bytes;;) {
            TextFormat told;
            if (!input.next(bytes, told, reason))
                return Outcome::Failed;
            read += bytes.size();
            if (!decoder) {
                used = told;
                decoder.emplace(used, m_take ? 0 : input.sizeHint());
            } else if (told != used) {
                // Before more text goes by a format the file no longer has.
                return Outcome::OtherFormat;
            }
            if (bytes.isEmpty())
                break;
            decoder->feed(bytes);
            if (m_take) {
                decoder->take(piece);
                if (!piece.isEmpty() && !m_take(piece, read))
                    return Outcome::Failed;
            } else if (m_betweenPieces && !m_betweenPieces()) {
                return Outcome::Failed;
            }
        }
        if (input.changedWhileRead())
            return Outcome::OtherFormat;
        QString rest = decoder->finish();
        if (!m_take)
            *m_text = std::move(rest);
        else if (!rest.isEmpty() && !m_take(rest, read))
            return Outcome::Failed;
        format = used;
        if (stray)
            *stray = decoder->strayBytes();
        if (stamp)
            *stamp = input.stamp();
        return Outcome::Read;
    }

private:
    const QString &m_path;
    QString *m_text;
    const Take &m_take;
    const std::function<bool()> &m_betweenPieces;
};

bool readFile(const QString &path, TextFormat &format, QString *text, QString &reason,
              const Take &take, const std::function<void()> &restart,
              const std::function<bool()> &betweenPieces, StrayBytes *stray, FileStamp *stamp)
{
    // Read once by the format the head tells (for a UTF-8 file, half the
    // reading of telling it first from the whole file). Read by the whole
    // file's format otherwise; a file written to meanwhile, or whose bytes
    // then tell another format, changed while it was read, and is read again.
    FileReading reading(path, text, take, betweenPieces);
    StreamInput::Telling telling = StreamInput::Telling::AsRead;
    for (int attempt = 0; attempt < 4; ++attempt) {
        switch (reading.readOnce(telling, format, stray, stamp, reason)) {
        case FileReading::Outcome::Read: return true;
        case FileReading::Outcome::Failed: return false;
        case FileReading::Outcome::OtherFormat:
            if (restart)
                restart();
            telling = StreamInput::Telling::First;
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

int textReadings(const TextFormat &format)
{
    return format.encoding == Encoding::Utf8 && !format.bom ? 2 : 1;
}

bool writeTextFile(const QString &path, const TextPieces &text, TextFormat &format,
                   QString &reason, FileStamp *written,
                   const std::function<bool()> &betweenPieces)
{
    EncodedText bytes(text, format, betweenPieces);
    if (!saveFile(path, bytes, reason, written))
        return false;
    format = bytes.format();
    return true;
}

} // namespace zezu
