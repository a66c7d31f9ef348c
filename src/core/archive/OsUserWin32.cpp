#include "archive/OsUser.h"

#include <windows.h>

#include <lmcons.h>

QString osUserName()
{
    wchar_t name[UNLEN + 1];
    DWORD size = UNLEN + 1;
    if (GetUserNameW(name, &size) && size > 1)
        return QString::fromWCharArray(name, int(size) - 1);
    return qEnvironmentVariable("USERNAME");
}
