#include "cli/ConvertTool.h"

#include "cli/ConvertedInputs.h"
#include "files/FileErrors.h"
#include "files/PathNames.h"
#include "files/SafeWrite.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <optional>
#include <utility>

namespace zezu::cli {

namespace {

QString shownName(const QString &name)
{
    return name == u"-" ? QStringLiteral("стандартный ввод") : shownPath(name);
}

void tell(const QString &name, const QString &reason)
{
    std::fprintf(stderr, "zezu-convert: %s: %s\n", shownName(name).toLocal8Bit().constData(),
                 reason.toLocal8Bit().constData());
}

void tellNotes(const ConvertedInputs &source)
{
    for (const ConvertedInputs::Note &note : source.notes())
        tell(note.input, note.text);
}

bool writeOut(std::FILE *out, QByteArrayView bytes, QString &reason)
{
    errno = 0;
    if (std::fwrite(bytes.data(), 1, std::size_t(bytes.size()), out)
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
        const Outcome outcome = use(name, source);
        tellNotes(source);
        switch (outcome) {
        case Outcome::Done: break;
        case Outcome::Failed: status = kFailed; break;
        case Outcome::StopAll: return kFailed;
        }
    }
    return status;
}

// Each input in turn to a stream (standard output, a device, a pipe); one
// that fails is told and the next one goes on.
int toStream(const Options &options, const QStringList &files, std::FILE *out,
             const QString &outName)
{
    bool outputFailed = false;
    const int status = eachInput(options, files, [&](const QString &name,
                                                     ConvertedInputs &source) {
        QString reason;
        for (QByteArrayView piece;;) {
            if (!source.next(piece, reason)) {
                tell(name, reason);
                return Outcome::Failed;
            }
            if (piece.isEmpty())
                return Outcome::Done;
            if (!writeOut(out, piece, reason)) {
                tell(outName, reason);
                outputFailed = true;
                return Outcome::StopAll;
            }
        }
    });
    if (outputFailed)
        return kFailed;
    errno = 0;
    if (std::fflush(out) != 0) {
        tell(outName, errno ? errorReason(errno) : shortWriteReason());
        return kFailed;
    }
    return status;
}

// A device or a pipe named as the output (/dev/stdout, /dev/null, a FIFO):
// it cannot be replaced by a new file, so it is written on as it stands.
bool isStream(const QString &path)
{
    struct stat st;
    return ::stat(pathBytes(path).constData(), &st) == 0 && !S_ISREG(st.st_mode)
        && !S_ISDIR(st.st_mode);
}

// Whether the path names what standard output is (/dev/stdout, say), which
// is then written on as it is open: a pipe of another user's cannot be
// opened again by name.
bool isStandardOutput(const QString &path)
{
    struct stat named;
    struct stat ours;
    return ::stat(pathBytes(path).constData(), &named) == 0
        && ::fstat(STDOUT_FILENO, &ours) == 0 && named.st_dev == ours.st_dev
        && named.st_ino == ours.st_ino;
}

int toNamedStream(const Options &options, const QStringList &files)
{
    if (isStandardOutput(options.output))
        return toStream(options, files, stdout, options.output);
    std::FILE *out = std::fopen(pathBytes(options.output).constData(), "wb");
    if (!out) {
        tell(options.output, errorReason(errno));
        return kFailed;
    }
    const int status = toStream(options, files, out, options.output);
    return std::fclose(out) == 0 ? status : kFailed;
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
    const bool saved = saveFile(options.output, source, reason);
    tellNotes(source);
    if (!saved) {
        tell(source.failedInput().isEmpty() ? options.output : source.failedInput(), reason);
        return kFailed;
    }
    return kDone;
}

// Each file replaced by its own converted text; one that fails stays as it
// was and the next one goes on. A file named twice (or by a link) is
// converted once: again, its references would be converted too.
int inPlace(const Options &options, const QStringList &files)
{
    // By device and inode, as the file was and as it is once saved (a new
    // file renamed over it has another).
    std::map<std::pair<dev_t, ino_t>, QString> done;
    // The name the file was first done under, when it was.
    const auto note = [&done](const QString &name) -> std::optional<QString> {
        struct stat st;
        if (::stat(pathBytes(name).constData(), &st) != 0)
            return std::nullopt;
        const auto [at, added] = done.try_emplace({st.st_dev, st.st_ino}, name);
        return added ? std::nullopt : std::optional(at->second);
    };
    return eachInput(options, files, [&note](const QString &name, ConvertedInputs &source) {
        if (const std::optional<QString> first = note(name)) {
            tell(name, QStringLiteral("это тот же файл, что и \"%1\": он уже преобразован")
                           .arg(shownName(*first)));
            return Outcome::Failed;
        }
        QString reason;
        if (!saveFile(name, source, reason)) {
            tell(name, reason);
            return Outcome::Failed;
        }
        note(name);
        return Outcome::Done;
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
        return isStream(options.output) ? toNamedStream(options, files) : toFile(options, files);
    return toStream(options, files, stdout, QStringLiteral("стандартный вывод"));
}

} // namespace zezu::cli
