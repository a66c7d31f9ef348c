#include "archive/OsUser.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

#include <QtGlobal>

QString osUserName()
{
    passwd entry{};
    passwd *found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    // A user the password database does not list (a container, a stripped system).
    const QString fromEnv = qEnvironmentVariable("USER");
    return fromEnv.isEmpty() ? QString::number(geteuid()) : fromEnv;
}
