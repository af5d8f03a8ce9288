#pragma once

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <map>

namespace zezu::test {

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The same at a path given as the system's bytes, which need not be UTF-8.
inline QByteArray readBytesAt(const QByteArray &path)
{
    std::FILE *file = std::fopen(path.constData(), "rb");
    if (!file)
        return QByteArray("<unreadable>");
    QByteArray bytes;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, qsizetype(n));
    std::fclose(file);
    return bytes;
}

inline bool writeBytesAt(const QByteArray &path, const QByteArray &bytes)
{
    std::FILE *file = std::fopen(path.constData(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), file)
        == std::size_t(bytes.size());
    return std::fclose(file) == 0 && written;
}

// Every entry under a folder with its kind and, for files, its bytes: what a
// failed command must leave exactly as it was.
inline std::map<QString, QByteArray> snapshot(const QString &folder)
{
    std::map<QString, QByteArray> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString key = QDir(folder).relativeFilePath(info.filePath());
        entries[key] = info.isDir() ? QByteArray("<folder>")
            : !info.isFile()        ? QByteArray("<other kind>")
                                    : readBytes(info.filePath());
    }
    return entries;
}

// Lowers the largest file this process may write, so that a write stops part
// way with EFBIG as on a full disk; restores the limit on scope exit.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
    bool m_ok = false;
};

} // namespace zezu::test
