// The user's folders on POSIX: the XDG base directories.

#include "settings/ProgramFolders.h"

#include <cstdlib>
#include <unistd.h>

#include <QDir>
#include <QFile>

namespace {

// An XDG variable counts only when it holds an absolute path.
QString xdgBase(const char *variable, const QString &fallback)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return value;
    return QDir::homePath() + u'/' + fallback;
}

} // namespace

// Tried, not asked: access() answers for the real user and knows nothing of read-only mounts.
bool ProgramFolders::programDirWritable()
{
    QByteArray name = QFile::encodeName(programDir()) + ".reg01-probe-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0)
        return false;
    close(fd);
    unlink(name.constData());
    return true;
}

QString ProgramFolders::userDir(Kind kind)
{
    QString base;
    switch (kind) {
    case Kind::Config:
        base = xdgBase("XDG_CONFIG_HOME", QStringLiteral(".config"));
        break;
    case Kind::State:
        base = xdgBase("XDG_STATE_HOME", QStringLiteral(".local/state"));
        break;
    case Kind::Data:
        base = xdgBase("XDG_DATA_HOME", QStringLiteral(".local/share"));
        break;
    }
    const QString dir = base + QStringLiteral("/reg01/");
    return QDir().mkpath(dir) ? dir : QString();
}
