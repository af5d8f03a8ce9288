#pragma once

#include "text/TextFormat.h"

namespace zezu {

// The last answer to the save-changes prompt, or that the save dialog a Yes
// led to was cancelled.
enum class PromptAnswer { None, Yes, No, Cancel, SaveDialogCancelled };

// What the document commands remember between commands. The document's name
// and whether it has unsaved edits are the caption's (see Caption.h).
class Document
{
public:
    PromptAnswer lastAnswer() const { return m_lastAnswer; }
    void recordAnswer(PromptAnswer answer) { m_lastAnswer = answer; }

    // The format of the file the text came from, which a save writes back; a
    // new document's is the default.
    const TextFormat &format() const { return m_format; }
    void setFormat(const TextFormat &format) { m_format = format; }

private:
    TextFormat m_format;
    PromptAnswer m_lastAnswer = PromptAnswer::None;
};

} // namespace zezu
