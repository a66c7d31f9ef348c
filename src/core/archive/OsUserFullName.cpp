#include "archive/OsUserFullName.h"

QString gecosFullName(const QString &gecos, const QString &login)
{
    QString name = gecos.section(QLatin1Char(','), 0, 0);
    if (name.contains(QLatin1Char('&'))) {
        QString capital = login;
        if (!capital.isEmpty())
            capital[0] = capital[0].toUpper();
        name.replace(QLatin1Char('&'), capital);
    }
    return name.simplified();
}
