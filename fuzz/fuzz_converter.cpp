// libFuzzer target: the character reference converter (see FuzzChecks.h).
#include "FuzzChecks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString problem = zezu::fuzz::checkConverter(
        QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "fuzz_converter: %s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
