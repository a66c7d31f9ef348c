#include "archive/OsUserFullName.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "archive/OsUser.h"

QString osUserFullName()
{
    passwd entry{};
    passwd *found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found
        && found->pw_gecos) {
        const QString name = gecosFullName(QString::fromLocal8Bit(found->pw_gecos),
                                           QString::fromLocal8Bit(found->pw_name));
        if (!name.isEmpty())
            return name;
    }
    return osUserName();
}
