#pragma once

#include "editor/Editor.h"
#include "editor/DocumentCommands.h"
#include "support/FakeWindowServices.h"

#include <QDir>

namespace zezu::test {

// A main window's logic over the double, started as the window starts it.
struct Doc
{
    FakeWindowServices w;
    Editor editor{w};

    Doc()
    {
        editor.load();
        w.captions.clear(); // only what the commands set
    }
    Doc(const Doc &) = delete;
    Doc &operator=(const Doc &) = delete;

    void type(const QString &typed) { w.setText(w.textValue + typed); }
};

// The message box answer a recorded prompt answer stands for.
inline Answer asAnswer(PromptAnswer answer)
{
    switch (answer) {
    case PromptAnswer::Yes: return Answer::Yes;
    case PromptAnswer::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

// Files this process has open: a command must leave none behind.
inline int openFileCount()
{
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

} // namespace zezu::test
