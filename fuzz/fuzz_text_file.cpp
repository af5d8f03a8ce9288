// libFuzzer target: the text file reader and writer (see FuzzChecks.h).
#include "FuzzChecks.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // One scratch folder for the whole run, removed at exit; in memory where
    // there is a tmpfs, as every save ends in a sync to disk.
    static QTemporaryDir scratch(QDir(QStringLiteral("/dev/shm")).exists()
                                     ? QStringLiteral("/dev/shm/zezu-fuzz-XXXXXX")
                                     : QDir::tempPath() + QStringLiteral("/zezu-fuzz-XXXXXX"));
    if (!scratch.isValid()) {
        std::fprintf(stderr, "fuzz_text_file: no scratch folder\n");
        std::abort();
    }
    const QString problem = zezu::fuzz::checkTextFile(
        QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), scratch.path());
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "fuzz_text_file: %s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
