#pragma once

// The zezu-convert program run as a child process, and the editor's way of
// doing what it does: open a file, run the command on the whole text, save it
// in the same format.

#include "support/Doc.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace zezu::test {

struct Run
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the program (under the wrapper when one is given) in folder, with
// input on its standard input, which is a pipe.
inline Run runProgram(const QString &program, const QStringList &args, const QString &folder,
                      const QByteArray &input = {}, const QStringList &wrapper = {})
{
    QProcess child;
    child.setWorkingDirectory(folder);
    QStringList all = wrapper;
    all << program << args;
    child.start(all.takeFirst(), all);
    Run run;
    if (!child.waitForStarted())
        return run;
    // Written while the output is read, so that neither pipe fills up.
    qsizetype written = 0;
    // A program that stops reading (it failed) takes no more.
    while (written < input.size() && child.state() == QProcess::Running) {
        const qint64 now = child.write(input.constData() + written,
                                       std::min<qsizetype>(input.size() - written, 1 << 16));
        if (now < 0)
            break;
        written += now;
        child.waitForBytesWritten(-1);
        run.out += child.readAllStandardOutput();
    }
    child.closeWriteChannel();
    if (child.state() != QProcess::NotRunning && !child.waitForFinished(120000)) {
        child.kill();
        child.waitForFinished();
        return run;
    }
    run.out += child.readAllStandardOutput();
    run.err = child.readAllStandardError();
    run.status = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    return run;
}

// The editor's way, through its commands over the double: open, convert
// (or decode) the whole text, save as target in the file's format (with "?"
// for what it cannot hold, as the command writes). Empty reason when it worked.
inline QString editorWay(const QString &path, const QString &target, bool decode)
{
    Doc doc;
    doc.editor.openFile(path);
    decode ? doc.editor.decode() : doc.editor.convert();
    doc.w.saveChoices.push_back(target);
    doc.w.answers.push_back(Answer::No);
    doc.editor.save();
    return doc.w.told.empty() ? QString() : doc.w.told.front().message;
}

} // namespace zezu::test
