#include "archive/OsUserFullName.h"

#include <windows.h>

#define SECURITY_WIN32
#include <secext.h>

#include <vector>

#include "archive/OsUser.h"

// The display name a domain keeps for the user ("Иванова Мария Петровна"); a local account
// has none, and its login name stands in.
QString osUserFullName()
{
    ULONG size = 0;
    GetUserNameExW(NameDisplay, nullptr, &size);
    if (size > 1) {
        std::vector<wchar_t> name(size);
        if (GetUserNameExW(NameDisplay, name.data(), &size)) {
            const QString full = QString::fromWCharArray(name.data(), int(size)).simplified();
            if (!full.isEmpty())
                return full;
        }
    }
    return osUserName();
}
