#include "cli/Options.h"

#include "version/VersionRecord.h"

namespace zezu::cli {

namespace {

std::optional<Encoding> encodingNamed(const QString &name)
{
    const QString n = name.toLower();
    if (n == u"windows-1251" || n == u"cp1251")
        return Encoding::Windows1251;
    if (n == u"utf-8" || n == u"utf8")
        return Encoding::Utf8;
    if (n == u"utf-16" || n == u"utf16" || n == u"utf-16le")
        return Encoding::Utf16LE;
    if (n == u"utf-16be")
        return Encoding::Utf16BE;
    return std::nullopt;
}

bool isUtf16(Encoding e) { return e == Encoding::Utf16LE || e == Encoding::Utf16BE; }

} // namespace

bool parseArguments(const QStringList &arguments, Options &options, QString &error)
{
    bool optionsEnd = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (optionsEnd || arg == u"-" || !arg.startsWith(u'-')) {
            options.files.append(arg);
            continue;
        }
        if (arg == u"--") {
            optionsEnd = true;
            continue;
        }
        // A value either follows "=" or is the next argument.
        QString name = arg;
        std::optional<QString> value;
        if (arg.startsWith(u"--") && arg.contains(u'=')) {
            name = arg.section(u'=', 0, 0);
            value = arg.section(u'=', 1);
        }
        auto takeValue = [&]() -> std::optional<QString> {
            if (value)
                return value;
            if (i + 1 < arguments.size())
                return arguments[++i];
            error = QStringLiteral("option %1 needs a value").arg(name);
            return std::nullopt;
        };
        if (name == u"-o" || name == u"--output") {
            const auto v = takeValue();
            if (!v)
                return false;
            if (v->isEmpty()) {
                error = QStringLiteral("option %1 needs a file name").arg(name);
                return false;
            }
            options.output = *v;
        } else if (name == u"--from" || name == u"--to") {
            const auto v = takeValue();
            if (!v)
                return false;
            const std::optional<Encoding> e = encodingNamed(*v);
            if (!e) {
                error = QStringLiteral("unknown encoding '%1' (windows-1251, utf-8 or utf-16)")
                            .arg(*v);
                return false;
            }
            (name == u"--from" ? options.from : options.to) = e;
        } else if (value) {
            error = QStringLiteral("option %1 takes no value").arg(name);
            return false;
        } else if (name == u"-i" || name == u"--in-place") {
            options.inPlace = true;
        } else if (name == u"-d" || name == u"--decode") {
            options.conversion = Conversion::ToText;
        } else if (name == u"-h" || name == u"--help") {
            options.help = true;
        } else if (name == u"-V" || name == u"--version") {
            options.version = true;
        } else {
            error = QStringLiteral("unknown option %1").arg(arg);
            return false;
        }
    }
    if (options.help || options.version)
        return true;
    if (options.inPlace && !options.output.isEmpty()) {
        error = QStringLiteral("-i and -o do not go together");
        return false;
    }
    if (options.inPlace && (options.files.isEmpty() || options.files.contains(QStringLiteral("-")))) {
        error = QStringLiteral("-i needs files to replace, not standard input");
        return false;
    }
    return true;
}

TextFormat inputFormat(const TextFormat &detected, std::optional<Encoding> forced)
{
    if (!forced || *forced == detected.encoding)
        return detected;
    TextFormat format = detected;
    if (isUtf16(*forced) && isUtf16(detected.encoding))
        return detected; // the byte order mark says which
    format.encoding = *forced;
    format.bom = false;
    return format;
}

TextFormat outputFormat(const TextFormat &input, std::optional<Encoding> asked)
{
    if (!asked || *asked == input.encoding)
        return input;
    TextFormat format = input;
    format.encoding = *asked;
    format.bom = isUtf16(*asked);
    return format;
}

QString usageText()
{
    return QStringLiteral("usage: zezu-convert [-d] [-i | -o OUT] [--from ENC] [--to ENC] "
                          "[FILE...]\n");
}

QString helpText()
{
    return QStringLiteral(
               "Usage: zezu-convert [OPTIONS] [FILE...]\n"
               "Turn text files into character references (or, with -d, back), as the\n"
               "%1 editor does. With no FILE, or when FILE is -, read standard input.\n"
               "\n"
               "Options:\n"
               "  -o, --output OUT   write to OUT (replaced atomically) instead of standard "
               "output\n"
               "  -i, --in-place     replace each FILE by its converted text, in its format\n"
               "  -d, --decode       turn character references back into characters\n"
               "      --from ENC     read the input as ENC: windows-1251, utf-8 or utf-16\n"
               "      --to ENC       write the output as ENC (default: the input's format)\n"
               "  -h, --help         show this help and exit\n"
               "  -V, --version      show the version and exit\n"
               "\n"
               "The input's format is told from its bytes as the editor tells it: a byte\n"
               "order mark when the rest bears it out, else UTF-8 when valid with at least\n"
               "two multi-byte sequences, else Windows-1251; LF line ends when the input\n"
               "holds no CR at all. CR and CR LF end a line and every line gets CR LF,\n"
               "written back in the input's line ends. A character the output encoding\n"
               "cannot hold becomes \"?\".\n"
               "\n"
               "Exit status: 0 when every input was done, 1 when one or more failed (a\n"
               "message on standard error names each), 2 for a usage error.\n")
        .arg(record::kProductName);
}

} // namespace zezu::cli
