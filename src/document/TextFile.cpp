#include "document/TextFile.h"

#include "core/CodePage1251.h"
#include "document/FileErrors.h"
#include "document/SafeWrite.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace zezu {

namespace {

constexpr std::uint8_t kCr = 13;
constexpr std::uint8_t kLf = 10;

const std::array<char16_t, 256> &readTable()
{
    static const std::array<char16_t, 256> table = [] {
        const CodePage1251 &page = CodePage1251::instance();
        std::array<char16_t, 256> t{};
        for (int byte = 0; byte < 256; ++byte)
            t[byte] = page.charOf(std::uint8_t(byte));
        return t;
    }();
    return table;
}

const std::array<std::uint8_t, 65536> &writeTable()
{
    static const std::array<std::uint8_t, 65536> table = [] {
        const CodePage1251 &page = CodePage1251::instance();
        std::array<std::uint8_t, 65536> t;
        t.fill(std::uint8_t('?'));
        for (int unit = 0; unit < 65536; ++unit) {
            if (const int code = page.codeOf(char16_t(unit)); code >= 0)
                t[unit] = std::uint8_t(code);
        }
        // Every byte a file can hold is written back as itself, the
        // unassigned 0x98 too: it is read as U+0098, which has no code of
        // its own in the page.
        for (int byte = 0; byte < 256; ++byte)
            t[page.charOf(std::uint8_t(byte))] = std::uint8_t(byte);
        return t;
    }();
    return table;
}

bool isHighSurrogate(char16_t u) { return (u & 0xFC00) == 0xD800; }
bool isLowSurrogate(char16_t u) { return (u & 0xFC00) == 0xDC00; }

// A CR not followed by an LF becomes two units, one more than its byte.
// A CR at the very end is counted too: its LF may come in the next piece.
qsizetype countLoneCrs(const std::uint8_t *bytes, qsizetype size)
{
    qsizetype count = 0;
    const std::uint8_t *p = bytes;
    const std::uint8_t *end = bytes + size;
    while (p < end) {
        const void *found = std::memchr(p, kCr, std::size_t(end - p));
        if (!found)
            break;
        p = static_cast<const std::uint8_t *>(found) + 1;
        if (p == end || *p != kLf)
            ++count;
    }
    return count;
}

// Encodes text into out, which has room for text.size() bytes; returns the
// number of bytes written.
qsizetype encodeInto(QStringView text, char *out)
{
    const std::array<std::uint8_t, 65536> &table = writeTable();
    const char16_t *src = text.utf16();
    const qsizetype n = text.size();
    char *o = out;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = src[i];
        *o++ = char(table[u]);
        // A pair is one character and one "?"; a lone surrogate is one "?" too.
        if (isHighSurrogate(u) && i + 1 < n && isLowSurrogate(src[i + 1]))
            ++i;
    }
    return o - out;
}

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

#ifdef Q_OS_UNIX
// The file being read, through the system's calls, whose errors name the
// reason.
class Source
{
public:
    Source() = default;
    ~Source()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Source(const Source &) = delete;
    Source &operator=(const Source &) = delete;

    // Opens the file without ever waiting, and checks again that the very
    // file opened is a regular one: a FIFO put in its place after the check
    // above would otherwise block the open until some writer came.
    bool open(const QString &path, QString &reason)
    {
        const QByteArray name = QFile::encodeName(path);
        do
            m_fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        while (m_fd < 0 && errno == EINTR);
        struct stat st;
        if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
            reason = errorReason(errno);
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            reason = S_ISDIR(st.st_mode) ? folderReason() : notRegularReason();
            return false;
        }
        m_size = st.st_size;
        return true;
    }
    qint64 size() const { return m_size; }
    // The number of bytes read, 0 at the end; -1 on failure, with reason.
    qint64 read(char *buffer, qint64 maxSize, QString &reason)
    {
        ssize_t got;
        do
            got = ::read(m_fd, buffer, std::size_t(maxSize));
        while (got < 0 && errno == EINTR);
        if (got < 0)
            reason = errorReason(errno);
        return got;
    }

private:
    int m_fd = -1;
    qint64 m_size = 0;
};
#else
class Source
{
public:
    bool open(const QString &path, QString &reason)
    {
        m_file.setFileName(path);
        if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            reason = m_file.errorString();
            return false;
        }
        return true;
    }
    qint64 size() const { return m_file.size(); }
    qint64 read(char *buffer, qint64 maxSize, QString &reason)
    {
        const qint64 got = m_file.read(buffer, maxSize);
        if (got < 0)
            reason = m_file.errorString();
        return got;
    }

private:
    QFile m_file;
};
#endif

QString tooLarge(qint64 size, qint64 maxBytes)
{
    constexpr qint64 kMiB = qint64(1) << 20;
    return QStringLiteral("файл слишком большой (%1 МБ): открыть можно файл не больше %2 МБ")
        .arg((size + kMiB - 1) / kMiB)
        .arg(maxBytes / kMiB);
}

// The text's bytes, encoded a piece at a time into one buffer.
class TextBytes final : public ByteSource
{
public:
    explicit TextBytes(QStringView text)
        : m_text(text)
        , m_buffer(std::min(kWriteChunk, text.size()), Qt::Uninitialized)
    {
    }
    qint64 size() const override
    {
        // One byte per character, and a surrogate pair is one character.
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
    QByteArrayView next() override
    {
        const qsizetype n = m_text.size();
        if (m_pos >= n)
            return {};
        qsizetype length = std::min(kWriteChunk, n - m_pos);
        // A surrogate pair stays in one piece so that it gives one "?".
        if (m_pos + length < n && isHighSurrogate(m_text[m_pos + length - 1].unicode())
            && isLowSurrogate(m_text[m_pos + length].unicode()))
            --length;
        const qsizetype bytes = encodeInto(m_text.sliced(m_pos, length), m_buffer.data());
        m_pos += length;
        return QByteArrayView(m_buffer.constData(), bytes);
    }

private:
    QStringView m_text;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
};

} // namespace

LineDecoder::LineDecoder(qsizetype sizeHint)
{
    // The common file, with CR LF breaks, decodes to one unit per byte; two
    // more for a break added at the end.
    if (sizeHint > 0)
        m_text.reserve(sizeHint + 2);
}

void LineDecoder::ensureRoom(qsizetype units)
{
    const qsizetype needed = m_text.size() + units;
    if (needed > m_text.capacity())
        m_text.reserve(std::max(needed, m_text.capacity() + m_text.capacity() / 2));
}

void LineDecoder::feed(QByteArrayView bytes)
{
    const auto *src = reinterpret_cast<const std::uint8_t *>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    if (n == 0)
        return;
    if (m_afterCr) {
        m_afterCr = false;
        if (src[0] == kLf)
            i = 1;
    }

    // Room for every unit this piece can give, and for a final break.
    const qsizetype room = n - i + countLoneCrs(src + i, n - i) + 2;
    ensureRoom(room);
    const qsizetype start = m_text.size();
    m_text.resize(start + room);
    char16_t *const begin = reinterpret_cast<char16_t *>(m_text.data());
    char16_t *out = begin + start;

    const std::array<char16_t, 256> &table = readTable();
    while (i < n) {
        const void *found = std::memchr(src + i, kCr, std::size_t(n - i));
        const qsizetype lineEnd = found ? static_cast<const std::uint8_t *>(found) - src : n;
        if (lineEnd > i)
            m_lineOpen = true;
        for (; i < lineEnd; ++i)
            *out++ = table[src[i]];
        if (!found)
            break;
        *out++ = u'\r';
        *out++ = u'\n';
        m_lineOpen = false;
        ++i;
        if (i == n)
            m_afterCr = true;
        else if (src[i] == kLf)
            ++i;
    }
    m_text.resize(out - begin);
}

QString LineDecoder::finish()
{
    if (m_lineOpen)
        m_text.append(u"\r\n");
    m_lineOpen = false;
    m_afterCr = false;
    return std::move(m_text);
}

QString decodeText(QByteArrayView bytes)
{
    LineDecoder decoder(bytes.size());
    decoder.feed(bytes);
    return decoder.finish();
}

QByteArray encodeText(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    bytes.resize(encodeInto(text, bytes.data()));
    return bytes;
}

bool readTextFile(const QString &path, QString &text, QString &reason, qint64 maxBytes)
{
    if (const QString why = whyNotAFile(path); !why.isEmpty()) {
        reason = why;
        return false;
    }
    Source file;
    if (!file.open(path, reason))
        return false;
    // The size is only a hint: files under /proc say 0, and a file may grow
    // while it is read; the limit holds for what is read too.
    const qint64 size = file.size();
    if (maxBytes >= 0 && size > maxBytes) {
        reason = tooLarge(size, maxBytes);
        return false;
    }
    LineDecoder decoder(size);
    QByteArray buffer(kReadChunk, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 got = file.read(buffer.data(), buffer.size(), reason);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        total += got;
        if (maxBytes >= 0 && total > maxBytes) {
            reason = tooLarge(total, maxBytes);
            return false;
        }
        decoder.feed(QByteArrayView(buffer.constData(), got));
    }
    text = decoder.finish();
    return true;
}

bool writeTextFile(const QString &path, QStringView text, QString &reason)
{
    // Neither a folder nor a FIFO or a device is replaced by a regular file.
    if (const QString why = whyNotAFile(path); !why.isEmpty()) {
        reason = why;
        return false;
    }
    TextBytes bytes(text);
    return saveFile(path, bytes, reason);
}

} // namespace zezu
