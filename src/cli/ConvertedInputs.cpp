#include "cli/ConvertedInputs.h"

#include "files/FileErrors.h"

#include <utility>

namespace zezu::cli {

namespace {

QString replacedNote(qint64 replaced, const TextFormat &output)
{
    return QStringLiteral("знаки, которых нет в кодировке %1, записаны как \"%2\" (их %3)")
        .arg(encodingName(output.encoding),
             output.encoding == Encoding::Windows1251 ? QStringLiteral("?") : QStringLiteral("\uFFFD"),
             QString::number(replaced));
}

QString questionMarksNote(qint64 count)
{
    return QStringLiteral("знаки, которых не передать ссылкой HTML (управляющие U+0080..U+009F, "
                          "байты не в UTF-8), записаны как \"?\" (их %1)")
        .arg(QString::number(count));
}

QString strayBytesNote(const StrayBytes &stray, Encoding encoding)
{
    return QStringLiteral("байты не в %3 (их %1, первый - байт номер %2)")
        .arg(QString::number(stray.count), QString::number(stray.first + 1),
             encodingName(encoding));
}

} // namespace

bool openInput(const QString &name, ConvertedInputs::Input &input, QString &reason)
{
    input.name = name;
    input.stream = std::make_unique<StreamInput>();
    return name == u"-" ? input.stream->openStandardInput(reason)
                        : input.stream->openFile(name, reason);
}

ConvertedInputs::ConvertedInputs(std::vector<Input> inputs, const Options &options)
    : m_inputs(std::move(inputs))
    , m_options(options)
{
}

void ConvertedInputs::holdUntilMarkDecided(bool ended)
{
    if (!m_markUndecided)
        return;
    m_written.feed(m_out);
    m_held += m_out;
    m_out.resize(0);
    if (!ended && m_held.size() < StreamInput::kHeadLimit)
        return;
    // Past the limit the mark is decided by what was held.
    m_markUndecided = false;
    if (m_written.needsMark())
        m_out = byteOrderMark(Encoding::Utf8).toByteArray();
    m_out += std::exchange(m_held, QByteArray());
}

void ConvertedInputs::start(const TextFormat &told)
{
    m_input = inputFormat(told, m_options.from);
    m_output = outputFormat(m_input, m_options.to);
    m_pipeline.emplace(m_input, m_output, m_options.conversion);
    // Decoded text may be anything: UTF-8 without a mark is held until it
    // is known whether it would read back as Windows-1251. A conversion's
    // references never would (no C1 control, no stray byte, no lone
    // character that reads as two letters).
    m_markUndecided = m_options.conversion == Conversion::ToText
        && m_output.encoding == Encoding::Utf8 && !m_output.bom;
    m_written = UnmarkedUtf8();
}

bool ConvertedInputs::next(QByteArrayView &out, QString &reason)
{
    m_out.resize(0);
    while (m_out.isEmpty() && m_current < m_inputs.size()) {
        Input &input = m_inputs[m_current];
        QByteArrayView piece;
        TextFormat told;
        if (!input.stream->next(piece, told, reason))
            return failed();
        if (!m_pipeline)
            start(told);
        if (!piece.isEmpty()) {
            m_pipeline->feed(piece, m_out);
            holdUntilMarkDecided(false);
            continue;
        }
        // What was written of it came from a file in another format, or
        // mixes the file's old bytes and its new.
        if (input.stream->changedWhileRead())
            return (reason = changedWhileReadReason()), failed();
        m_pipeline->finish(m_out);
        holdUntilMarkDecided(true);
        if (const StrayBytes &stray = m_pipeline->strayBytes(); stray.count > 0) {
            // Read as UTF-8 by a guess: the input is not what it seemed, and
            // a file it was to replace stays as it was.
            if (!m_options.from)
                return (reason = strayBytesNote(stray, m_input.encoding)
                            + QStringLiteral("; --from %1 преобразует его всё же")
                                  .arg(encodingName(m_input.encoding).toLower())),
                       failed();
            m_notes.push_back({input.name, strayBytesNote(stray, m_input.encoding)});
        }
        if (const qint64 marks = m_pipeline->questionMarks())
            m_notes.push_back({input.name, questionMarksNote(marks)});
        if (const qint64 replaced = m_pipeline->replaced())
            m_notes.push_back({input.name, replacedNote(replaced, m_output)});
        m_pipeline.reset();
        input.stream.reset(); // no file stays open longer than it is read
        ++m_current;
    }
    out = m_out;
    return true;
}

bool ConvertedInputs::failed()
{
    m_failedInput = m_inputs[m_current].name;
    return false;
}

} // namespace zezu::cli
