#include "cli/ConvertTool.h"

#include "cli/ConvertedInputs.h"
#include "files/FileErrors.h"
#include "files/SafeWrite.h"

#include <cerrno>
#include <cstdio>

namespace zezu::cli {

namespace {

QString shownName(const QString &name)
{
    return name == u"-" ? QStringLiteral("стандартный ввод") : name;
}

void tell(const QString &name, const QString &reason)
{
    std::fprintf(stderr, "zezu-convert: %s: %s\n", shownName(name).toLocal8Bit().constData(),
                 reason.toLocal8Bit().constData());
}

bool writeOut(QByteArrayView bytes, QString &reason)
{
    errno = 0;
    if (std::fwrite(bytes.data(), 1, std::size_t(bytes.size()), stdout)
        == std::size_t(bytes.size()))
        return true;
    reason = errno ? errorReason(errno) : shortWriteReason();
    return false;
}

// What became of one input.
enum class Outcome { Done, Failed, StopAll };

// Each input on its own, in order: one that cannot be opened is told and the
// next one goes on; use(name, source) converts an opened one.
template <typename Use>
int eachInput(const Options &options, const QStringList &files, Use use)
{
    int status = kDone;
    QString reason;
    for (const QString &name : files) {
        std::vector<ConvertedInputs::Input> inputs(1);
        if (!openInput(name, inputs[0], reason)) {
            tell(name, reason);
            status = kFailed;
            continue;
        }
        ConvertedInputs source(std::move(inputs), options);
        switch (use(name, source)) {
        case Outcome::Done: break;
        case Outcome::Failed: status = kFailed; break;
        case Outcome::StopAll: return kFailed;
        }
    }
    return status;
}

// Each input in turn to standard output; one that fails is told and the
// next one goes on.
int toStandardOutput(const Options &options, const QStringList &files)
{
    bool outputFailed = false;
    const int status = eachInput(options, files, [&outputFailed](const QString &name,
                                                                 ConvertedInputs &source) {
        QString reason;
        for (QByteArrayView piece = source.next(); !piece.isEmpty(); piece = source.next()) {
            if (!writeOut(piece, reason)) {
                tell(QStringLiteral("стандартный вывод"), reason);
                outputFailed = true;
                return Outcome::StopAll;
            }
        }
        if (source.failure().isEmpty())
            return Outcome::Done;
        tell(name, source.failure());
        return Outcome::Failed;
    });
    if (outputFailed)
        return kFailed;
    errno = 0;
    if (std::fflush(stdout) != 0) {
        tell(QStringLiteral("стандартный вывод"), errno ? errorReason(errno) : shortWriteReason());
        return kFailed;
    }
    return status;
}

// All inputs into one file, saved as the editor saves: the file is replaced
// only when every input was read whole, and is left as it was otherwise.
int toFile(const Options &options, const QStringList &files)
{
    int status = kDone;
    QString reason;
    std::vector<ConvertedInputs::Input> inputs;
    for (const QString &name : files) {
        ConvertedInputs::Input input;
        if (openInput(name, input, reason)) {
            inputs.push_back(std::move(input));
        } else {
            tell(name, reason);
            status = kFailed;
        }
    }
    if (status != kDone)
        return status;
    ConvertedInputs source(std::move(inputs), options);
    if (!saveFile(options.output, source, reason)) {
        tell(source.failedInput().isEmpty() ? options.output : source.failedInput(), reason);
        return kFailed;
    }
    return kDone;
}

// Each file replaced by its own converted text; one that fails stays as it
// was and the next one goes on.
int inPlace(const Options &options, const QStringList &files)
{
    return eachInput(options, files, [](const QString &name, ConvertedInputs &source) {
        QString reason;
        if (saveFile(name, source, reason))
            return Outcome::Done;
        tell(name, reason);
        return Outcome::Failed;
    });
}

} // namespace

int runConversion(const Options &options)
{
    const QStringList files =
        options.files.isEmpty() ? QStringList{QStringLiteral("-")} : options.files;
    if (options.inPlace)
        return inPlace(options, files);
    if (!options.output.isEmpty())
        return toFile(options, files);
    return toStandardOutput(options, files);
}

} // namespace zezu::cli
