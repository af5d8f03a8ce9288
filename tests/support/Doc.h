#pragma once

#include "core/Editor.h"
#include "document/DocumentCommands.h"
#include "support/FakeWindowServices.h"

#include <QDir>

namespace zezu::test {

// A main window's logic over the double, whose text changes notify it as the
// text area does.
struct Doc
{
    FakeWindowServices w;
    Editor editor{w};

    Doc()
    {
        editor.load();
        w.onTextChange = [this] { onTextChanged(editor); };
    }
    Doc(const Doc &) = delete;
    Doc &operator=(const Doc &) = delete;

    void type(const QString &typed) { w.setText(w.textValue + typed); }
};

// Files this process has open: a command must leave none behind.
inline int openFileCount()
{
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

} // namespace zezu::test
