#include "serial/PortList.h"

QString portListText(QStringList names)
{
    names.removeIf([](const QString &n) { return n.isEmpty() || n.contains(QLatin1Char(',')); });
    names.sort(Qt::CaseSensitive);
    names.removeDuplicates();
    return names.join(QLatin1Char(','));
}
