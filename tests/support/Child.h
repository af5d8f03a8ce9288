#pragma once

// This test program run again as a child process: as another user, in a
// namespace of its own, or under limits the test itself must not share.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <signal.h>

#include <utility>

namespace zezu::test {

// A copy of this program that any user may run, in a folder of its own.
struct RunnableCopy
{
    QTemporaryDir dir;
    QString program;

    bool make()
    {
        const QString self = QCoreApplication::applicationFilePath();
        program = dir.filePath(QFileInfo(self).fileName());
        return dir.isValid() && QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755))
            && QFile::copy(self, program)
            && QFile::setPermissions(program, QFileDevice::Permissions(0x7755));
    }
};

// Runs "program -child args..." under the wrapper (setpriv or unshare; none
// when empty), and returns its exit code and what it printed; -1 when it did
// not finish or a signal ended it.
inline std::pair<int, QString> runChild(const QStringList &wrapper, const QString &program,
                                        const QStringList &args)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    QStringList all = wrapper;
    all << program << QStringLiteral("-child") << args;
    child.start(all.takeFirst(), all);
    if (!child.waitForStarted())
        return {-1, QStringLiteral("the child did not start: ") + child.errorString()};
    if (!child.waitForFinished(120000)) {
        child.kill();
        child.waitForFinished();
        return {-1, QStringLiteral("the child did not finish")};
    }
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (child.exitStatus() != QProcess::NormalExit)
        return {-1, QStringLiteral("the child crashed:\n") + output};
    return {child.exitCode(), output};
}

// The wrapper that runs a child as user and group 65534, with no other group.
inline QStringList asNobody()
{
    return {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
            QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")};
}

// The temporary files of a save in folder.
inline QStringList temporaryFiles(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral(".zezu-*")}, QDir::Files | QDir::Hidden);
}

// Sends signal to the running child once it has a temporary file in folder,
// and waits for it to end. False when it ended, or took too long, first.
inline bool interruptWhileWriting(QProcess &child, const QString &folder, int signal)
{
    QElapsedTimer clock;
    clock.start();
    while (temporaryFiles(folder).isEmpty() && child.state() == QProcess::Running
           && clock.elapsed() < 60000)
        QThread::usleep(200);
    return temporaryFiles(folder).size() == 1 && ::kill(pid_t(child.processId()), signal) == 0
        && child.waitForFinished(60000);
}

} // namespace zezu::test
