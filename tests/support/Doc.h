#pragma once

#include "editor/DocumentTexts.h"
#include "editor/Editor.h"
#include "support/FakeWindowServices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

    // The document becomes the empty file of this name, opened as a user
    // opens it, and modified when asked; what the double recorded of that
    // is forgotten.
    void showFile(const QString &name, bool modified = false)
    {
        if (!folder)
            folder = std::make_unique<QTemporaryDir>();
        QFile file(folder->filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        editor.openFile(file.fileName());
        QVERIFY(w.told.empty());
        if (modified)
            editor.textChanged();
        w.captions.clear();
        w.setTextCalls = 0;
    }

    // text in the history, as a conversion of its first character records
    // it; the text area then holds what it held before, and what the double
    // recorded of the conversion is forgotten.
    void recordConversion(const QString &text)
    {
        const QString shown = w.textValue;
        w.textValue = text;
        w.selStartValue = 0;
        w.selLengthValue = 1;
        editor.convert();
        w.textValue = shown;
        w.selLengthValue = 0;
        w.intakesBegun = 0;
        w.captions.clear();
        w.setTextCalls = 0;
    }

    std::unique_ptr<QTemporaryDir> folder;
};

// What the user answers to the save-changes prompt in a table of cases; None
// when no prompt is expected.
enum class PromptAnswer { None, Yes, No, Cancel };

// The message box answer a prompt answer stands for.
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
