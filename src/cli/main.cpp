// zezu-convert: the editor's convert and decode commands for scripts and
// whole folders, on the logic libraries alone (no display needed).
#include "cli/ConvertTool.h"
#include "cli/Options.h"
#include "files/PathNames.h"
#include "files/TemporaryFiles.h"
#include "version/VersionRecord.h"

#include <QString>
#include <QStringList>

#include <cstdio>

int main(int argc, char **argv)
{
    using namespace zezu::cli;
    // An interrupted run leaves no half-written file behind.
    zezu::removeTemporaryFilesOnSignals();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(zezu::pathFromBytes(argv[i])); // names may not be UTF-8
    Options options;
    QString error;
    if (!parseArguments(arguments, options, error)) {
        std::fprintf(stderr, "zezu-convert: %s\n%s", error.toLocal8Bit().constData(),
                     usageText().toLocal8Bit().constData());
        return kUsage;
    }
    if (options.help) {
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        return kDone;
    }
    if (options.version) {
        std::printf("zezu-convert (%s) %s\n",
                    zezu::record::kProductName.toString().toLocal8Bit().constData(),
                    zezu::record::kVersion.toString().toLocal8Bit().constData());
        return kDone;
    }
    return runConversion(options);
}
