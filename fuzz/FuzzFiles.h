#pragma once

// Per-process scratch files for the targets that go through the disk. The files are saved
// through a temporary file and a sync each time, so they go to memory (/dev/shm) when the
// system has it, else to /tmp; the process id keeps parallel runs apart.

#include <cstdlib>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QString>

inline QString FuzzScratchPath(const QString &name)
{
    static const QString dir = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                   ? QStringLiteral("/dev/shm")
                                   : QStringLiteral("/tmp");
    return QStringLiteral("%1/reg01-fuzz-%2-%3").arg(dir).arg(getpid()).arg(name);
}

inline bool FuzzWriteFile(const QString &path, const char *data, qint64 size)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data, size) == size;
}
