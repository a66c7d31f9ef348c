#include "settings/ProgramFolders.h"

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
