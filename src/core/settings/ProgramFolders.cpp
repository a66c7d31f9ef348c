#include "settings/ProgramFolders.h"

#include <cstdlib>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString s_programDir;

QString withSlash(const QString &dir)
{
    return dir.isEmpty() || dir.endsWith(u'/') ? dir : dir + u'/';
}

// An XDG variable counts only when it holds an absolute path.
QString xdgBase(const char *variable, const QString &fallback)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return value;
    return QDir::homePath() + u'/' + fallback;
}

} // namespace

QString ProgramFolders::programDir()
{
    if (s_programDir.isEmpty())
        return withSlash(QCoreApplication::applicationDirPath());
    return s_programDir;
}

void ProgramFolders::setProgramDir(const QString &dir)
{
    s_programDir = withSlash(dir);
}

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

QString ProgramFolders::settingsPath(const QString &fileName)
{
    const QString beside = programDir() + fileName;
    if (programDirWritable())
        return beside;
    const QString dir = userDir(Kind::Config);
    if (dir.isEmpty())
        return beside;
    const QString own = dir + fileName;
    if (!QFileInfo::exists(own) && QFileInfo(beside).isFile())
        QFile::copy(beside, own);
    return own;
}

QString ProgramFolders::statePath(const QString &fileName)
{
    if (programDirWritable())
        return programDir() + fileName;
    const QString dir = userDir(Kind::State);
    return (dir.isEmpty() ? programDir() : dir) + fileName;
}

QString ProgramFolders::dataPath(const QString &fileName)
{
    if (programDirWritable())
        return programDir() + fileName;
    const QString dir = userDir(Kind::Data);
    return (dir.isEmpty() ? programDir() : dir) + fileName;
}
