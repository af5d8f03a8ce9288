#pragma once

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

private:
    PromptAnswer m_lastAnswer = PromptAnswer::None;
};

} // namespace zezu
