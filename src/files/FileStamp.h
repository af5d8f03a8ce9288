#pragma once

#include <QString>

#include <sys/stat.h>

#include <optional>

namespace zezu {

// What tells whether a file changed since it was read or written: which file
// it is, its size and the time of its last write.
struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;

    static FileStamp of(const struct stat &st)
    {
        return {st.st_dev, st.st_ino, qint64(st.st_size),
                qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
    }
    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

// The stamp of the file at path now; none when there is no file.
std::optional<FileStamp> fileStamp(const QString &path);

} // namespace zezu
