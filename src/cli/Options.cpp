#include "cli/Options.h"

#include "version/VersionRecord.h"

namespace zezu::cli {

namespace {

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
            error = QStringLiteral("параметру %1 нужно значение").arg(name);
            return std::nullopt;
        };
        if (name == u"-o" || name == u"--output") {
            const auto v = takeValue();
            if (!v)
                return false;
            if (v->isEmpty()) {
                error = QStringLiteral("параметру %1 нужно имя файла").arg(name);
                return false;
            }
            options.output = *v;
        } else if (name == u"--from" || name == u"--to") {
            const auto v = takeValue();
            if (!v)
                return false;
            const std::optional<Encoding> e = encodingNamed(*v);
            if (!e) {
                error = QStringLiteral("неизвестная кодировка \"%1\" (windows-1251, utf-8 "
                                       "или utf-16)")
                            .arg(*v);
                return false;
            }
            (name == u"--from" ? options.from : options.to) = e;
        } else if (value) {
            error = QStringLiteral("параметр %1 не принимает значения").arg(name);
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
            error = QStringLiteral("неизвестный параметр %1").arg(arg);
            return false;
        }
    }
    if (options.help || options.version)
        return true;
    if (options.inPlace && !options.output.isEmpty()) {
        error = QStringLiteral("-i и -o нельзя указать вместе");
        return false;
    }
    if (options.inPlace && (options.files.isEmpty() || options.files.contains(QStringLiteral("-")))) {
        error = QStringLiteral("-i заменяет файлы: нужны их имена, а не стандартный ввод");
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
    return QStringLiteral("использование: zezu-convert [-d] [-i | -o ФАЙЛ] [--from КОДИРОВКА] "
                          "[--to КОДИРОВКА] [ФАЙЛ...]\n");
}

QString helpText()
{
    return QStringLiteral(
               "Использование: zezu-convert [ПАРАМЕТРЫ] [ФАЙЛ...]\n"
               "Преобразует текстовые файлы в ссылки на символы (или, с -d, обратно), как\n"
               "это делает редактор %1. Без ФАЙЛА, или когда ФАЙЛ - это -, читает\n"
               "стандартный ввод.\n"
               "\n"
               "Параметры:\n"
               "  -o, --output ФАЙЛ  записать в ФАЙЛ (он заменяется целиком) вместо\n"
               "                     стандартного вывода\n"
               "  -i, --in-place     заменить каждый ФАЙЛ преобразованным текстом, в его\n"
               "                     формате\n"
               "  -d, --decode       превратить ссылки на символы обратно в символы\n"
               "      --from КОДИРОВКА  читать ввод в КОДИРОВКЕ: windows-1251, utf-8 или utf-16\n"
               "      --to КОДИРОВКА    записать вывод в КОДИРОВКЕ (по умолчанию в формате\n"
               "                        ввода)\n"
               "  -h, --help         показать эту справку и выйти\n"
               "  -V, --version      показать версию и выйти\n"
               "\n"
               "Формат ввода определяется по его байтам, как в редакторе: метка порядка\n"
               "байтов, если остальное ей соответствует, иначе UTF-8, если байты — верный\n"
               "UTF-8 с многобайтовыми последовательностями (одна, которую Windows-1251\n"
               "читает как заглавную букву и \"ё\", \"Ё\", \"і\" или \"І\", не в счёт) или\n"
               "почти верный (не больше 64 байтов не в UTF-8, на каждый не меньше 32\n"
               "последовательностей: такой ввод, как и UTF-16 без последнего байта, без\n"
               "--from считается неудавшимся), иначе Windows-1251; концы строк LF, если\n"
               "во вводе нет ни одного CR. UTF-8, который прочитался бы иначе, выводится\n"
               "с меткой порядка байтов. Строку\n"
               "заканчивают CR и CR LF, каждая строка получает CR LF и записывается с\n"
               "концами строк ввода. Знак, которого нет в Windows-1251, становится своей\n"
               "десятичной ссылкой (U+1F600 - &#128512;). Знаки, которых нет в кодировке\n"
               "вывода, записываются как \"?\", и их число сообщается на стандартном\n"
               "выводе ошибок.\n"
               "\n"
               "Код возврата: 0, когда все вводы обработаны, 1, когда один или несколько не\n"
               "удались (каждый назван в сообщении на стандартном выводе ошибок), 2 при\n"
               "ошибке в параметрах.\n")
        .arg(record::kProductName);
}

} // namespace zezu::cli
