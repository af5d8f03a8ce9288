// Writes the seed corpus of each fuzz target: make_seeds <folder>, which gets
// one subfolder per target.
#include "FuzzChecks.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool write(const QDir &root, const QString &target, const zezu::fuzz::Seeds &seeds)
{
    if (!root.mkpath(target))
        return false;
    const QDir dir(root.filePath(target));
    for (const auto &[name, bytes] : seeds) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <folder>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    if (!write(root, QStringLiteral("converter"), zezu::fuzz::converterSeeds())
        || !write(root, QStringLiteral("text_file"), zezu::fuzz::textFileSeeds())) {
        std::fprintf(stderr, "make_seeds: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
