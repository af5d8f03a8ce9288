#pragma once

#include "cli/Options.h"
#include "files/SafeWrite.h"
#include "files/StreamInput.h"
#include "text/TextPipeline.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace zezu::cli {

// The converted bytes of one or more opened inputs, one after the other, a
// piece at a time: the output of the command, for standard output or for a
// save (SafeWrite.h) of a size not known in advance.
class ConvertedInputs final : public ByteSource
{
public:
    struct Input
    {
        QString name;
        std::unique_ptr<StreamInput> stream;
    };

    ConvertedInputs(std::vector<Input> inputs, const Options &options);

    qint64 size() const override { return -1; }
    bool next(QByteArrayView &piece, QString &reason) override;
    // The input that failed, when one did.
    QString failedInput() const { return m_failedInput; }

    // What the user should know of an input that was read whole.
    struct Note
    {
        QString input;
        QString text;
    };
    const std::vector<Note> &notes() const { return m_notes; }

private:
    // The pipeline of the input, by the format its bytes told.
    void start(const TextFormat &told);
    // Notes the input that failed: false, for returning at once.
    bool failed();
    // Holds the output while a mark may still be needed (see start()); once
    // it is decided, or the input ended (ended), m_out is all of it.
    void holdUntilMarkDecided(bool ended);

    std::vector<Input> m_inputs;
    const Options &m_options;
    std::size_t m_current = 0;
    std::optional<TextPipeline> m_pipeline;
    QByteArray m_out;
    QString m_failedInput;
    std::vector<Note> m_notes;
    TextFormat m_input;
    TextFormat m_output;
    bool m_markUndecided = false;
    UnmarkedUtf8 m_written;
    QByteArray m_held;
};

// Opens an input by name ("-" is standard input); false with reason.
bool openInput(const QString &name, ConvertedInputs::Input &input, QString &reason);

} // namespace zezu::cli
