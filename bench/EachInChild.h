#pragma once

#include <QList>
#include <QProcess>
#include <QString>

#include <cstdio>

// The sizes of a --sizes argument: "N,N,...".
inline QList<qint64> sizesFrom(const QString &list)
{
    QList<qint64> sizes;
    for (const QString &size : list.split(u',', Qt::SkipEmptyParts))
        sizes.push_back(size.toLongLong());
    return sizes;
}

// Runs "self flag value" for each value, one process after the other, so that
// each measurement's peak memory and warm-up are its own; their output goes
// straight through. A run not finished within limitS seconds (never, when
// negative) is killed and reported. Returns how many runs failed.
inline int runEachInChild(const QString &self, const char *flag, const QList<qint64> &values,
                          int limitS = -1)
{
    int failures = 0;
    for (const qint64 value : values) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(self, {QString::fromLatin1(flag), QString::number(value)});
        if (!child.waitForFinished(limitS < 0 ? -1 : limitS * 1000)) {
            child.kill();
            child.waitForFinished();
            std::printf("%10lld  did not finish within %d s\n", qlonglong(value), limitS);
            ++failures;
            continue;
        }
        failures += child.exitCode() != 0;
    }
    return failures;
}
