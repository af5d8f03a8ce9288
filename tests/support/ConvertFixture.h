#pragma once

#include "editor/Editor.h"
#include "support/FakeWindowServices.h"

namespace zezu::test {

// The editor over the double, for the convert command and its history: the
// text changes are not followed, so that only the commands set the caption.
struct ConvertFixture
{
    FakeWindowServices w;
    Editor editor{w};
    ConvertFixture()
    {
        editor.load();
        w.onTextChange = [] {};
    }
    void convert(const QString &text, qsizetype start = 0, qsizetype length = 0)
    {
        w.textValue = text;
        w.selStartValue = start;
        w.selLengthValue = length;
        editor.convert();
    }
};

} // namespace zezu::test
