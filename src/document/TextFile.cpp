#include "document/TextFile.h"

#include "core/CodePage1251.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>

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
// end when read, and QSaveFile would put a regular file in its place.
QString whyNotAFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("это папка, а не файл");
    if (info.exists() && !info.isFile())
        return QStringLiteral("это не обычный файл");
    return {};
}

// Opens the file for reading without ever waiting, and checks again that the
// very file opened is a regular one: a FIFO put in its place after the check
// above would otherwise block the open until some writer came.
bool openForReading(const QString &path, QFile &file, QString &reason)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    int fd;
    do
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        reason = qt_error_string(errno);
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        reason = qt_error_string(errno);
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        reason = S_ISDIR(st.st_mode) ? QStringLiteral("это папка, а не файл")
                                     : QStringLiteral("это не обычный файл");
        ::close(fd);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        reason = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
#else
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        reason = file.errorString();
        return false;
    }
    return true;
#endif
}

QString tooLarge(qint64 size, qint64 maxBytes)
{
    constexpr qint64 kMiB = qint64(1) << 20;
    return QStringLiteral("файл слишком большой (%1 МБ): открыть можно файл не больше %2 МБ")
        .arg((size + kMiB - 1) / kMiB)
        .arg(maxBytes / kMiB);
}

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
    QFile file;
    if (!openForReading(path, file, reason))
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
        const qint64 got = file.read(buffer.data(), buffer.size());
        if (got < 0) {
            reason = file.errorString();
            return false;
        }
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

namespace {

// Encodes the text piece by piece and writes it all to the file.
bool writeEncoded(QFileDevice &file, QStringView text, QString &reason)
{
    QByteArray buffer(std::min(kWriteChunk, text.size()), Qt::Uninitialized);
    const qsizetype n = text.size();
    for (qsizetype pos = 0; pos < n;) {
        qsizetype length = std::min(kWriteChunk, n - pos);
        // A surrogate pair stays in one piece so that it gives one "?".
        if (pos + length < n && isHighSurrogate(text[pos + length - 1].unicode())
            && isLowSurrogate(text[pos + length].unicode()))
            --length;
        const qsizetype bytes = encodeInto(text.sliced(pos, length), buffer.data());
        pos += length;

        // A write that was only partly done reports no error, and committing
        // after it would replace a good file with a truncated one: every byte
        // must be taken. Asking again for the rest either finishes the piece
        // or yields the system's reason (a full disk, a size limit).
        for (qsizetype done = 0; done < bytes;) {
            const qint64 written = file.write(buffer.constData() + done, bytes - done);
            if (written < 0) {
                reason = file.errorString();
                return false;
            }
            if (written == 0) { // no progress and no error: never loop on it
                reason = QStringLiteral("данные записаны не полностью");
                return false;
            }
            done += written;
        }
    }
    return true;
}

// To replace an existing file QSaveFile makes its new file under the old
// name with 7 characters added, which cannot be made for a name near the
// system's limit: such a save would always fail.
bool tooLongForSaveFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return false;
#ifdef Q_OS_UNIX
    long limit = ::pathconf(QFile::encodeName(info.absolutePath()).constData(), _PC_NAME_MAX);
    if (limit <= 0)
        limit = 255;
    return QFile::encodeName(info.fileName()).size() + 7 > limit;
#else
    return info.fileName().size() + 7 > 255;
#endif
}

// Replaces the file as QSaveFile would, through a new file of a short name in
// the same folder that is renamed over it once complete.
bool replaceThroughShortName(const QString &path, QStringView text, QString &reason)
{
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
    QTemporaryFile file(QFileInfo(target).absolutePath() + QStringLiteral("/.zezu-XXXXXX"));
    if (!file.open()) {
        reason = file.errorString();
        return false;
    }
    // The new file is removed with the object unless the rename took it.
    if (!writeEncoded(file, text, reason))
        return false;
    if (!file.flush()) {
        reason = file.errorString();
        return false;
    }
    file.setPermissions(QFileInfo(target).permissions());
    file.close();
    // Qt's own rename refuses to replace a file; the system's does so atomically.
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(file.fileName().toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), error);
    if (error) {
        reason = qt_error_string(error.value());
        return false;
    }
    file.setAutoRemove(false);
    return true;
}

} // namespace

bool writeTextFile(const QString &path, QStringView text, QString &reason)
{
    // QSaveFile would name no reason for a folder, and would put a regular
    // file in the place of a FIFO or a device.
    if (const QString why = whyNotAFile(path); !why.isEmpty()) {
        reason = why;
        return false;
    }
    if (tooLongForSaveFile(path))
        return replaceThroughShortName(path, text, reason);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reason = file.errorString();
        return false;
    }
    if (!writeEncoded(file, text, reason)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        reason = file.error() == QFileDevice::NoError
            ? QStringLiteral("файл не удалось заменить")
            : file.errorString();
        return false;
    }
    return true;
}

} // namespace zezu
