// The port list from Linux sysfs: /sys/class/tty/NAME/device exists for real serial devices.

#include "serial/PortList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The 8250 driver registers placeholder ports (ttyS0..ttyS31) whether or not a UART sits
// behind them; those report port type 0, "unknown".
bool isPlaceholder(const QString &entry)
{
    QFile type(entry + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return false;
    return type.readAll().trimmed() == "0";
}

} // namespace

QString enumComPorts(const QString &sysfsRoot)
{
    const QDir root(sysfsRoot);
    QStringList names;
    for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString entry = root.filePath(name);
        if (QFileInfo::exists(entry + QStringLiteral("/device")) && !isPlaceholder(entry))
            names << name;
    }
    return portListText(names);
}
