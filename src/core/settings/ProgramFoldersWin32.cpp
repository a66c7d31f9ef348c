// The user's folders on Windows: settings roam with the user (%APPDATA%), the journal and the
// archive stay on this machine (%LOCALAPPDATA%).

#include "settings/ProgramFolders.h"

#include <windows.h>

#include <QDir>

namespace {

// A variable counts only when it holds an absolute path; else the profile's usual place.
QString knownBase(const char *variable, const QString &fallback)
{
    const QString value = QDir::fromNativeSeparators(qEnvironmentVariable(variable));
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return value;
    return QDir::homePath() + u'/' + fallback;
}

} // namespace

// Tried, not asked: the folder's security and a read-only medium answer only to a real file.
// The probe goes away with its handle, even when the program is killed.
bool ProgramFolders::programDirWritable()
{
    const QString probe = QDir::toNativeSeparators(
        programDir()
        + QStringLiteral(".reg01-probe-%1-%2").arg(GetCurrentProcessId()).arg(GetTickCount64()));
    const HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(probe.utf16()), GENERIC_WRITE, 0,
                                 nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

QString ProgramFolders::userDir(Kind kind)
{
    const QString base = kind == Kind::Config
                             ? knownBase("APPDATA", QStringLiteral("AppData/Roaming"))
                             : knownBase("LOCALAPPDATA", QStringLiteral("AppData/Local"));
    const QString dir = base + QStringLiteral("/reg01/");
    return QDir().mkpath(dir) ? dir : QString();
}
