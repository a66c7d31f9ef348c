// The adapter behind a tty from libudev, its stable name from /dev/serial/by-id.

#include "serial/PortDetails.h"

#include <libudev.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString text(const char *s)
{
    return s ? QString::fromUtf8(s).trimmed() : QString();
}

// The adapter's own words first, then the hardware database's, then the USB strings.
QString describe(udev_device *tty)
{
    const QString model = text(udev_device_get_property_value(tty, "ID_MODEL_FROM_DATABASE"));
    const QString vendor = text(udev_device_get_property_value(tty, "ID_VENDOR_FROM_DATABASE"));
    if (!model.isEmpty())
        return vendor.isEmpty() ? model : vendor + u' ' + model;
    udev_device *usb = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device");
    if (!usb)
        return {};
    const QString product = text(udev_device_get_sysattr_value(usb, "product"));
    const QString maker = text(udev_device_get_sysattr_value(usb, "manufacturer"));
    if (product.isEmpty())
        return maker;
    return maker.isEmpty() || product.startsWith(maker) ? product : maker + u' ' + product;
}

QString stableLink(const QString &device, const QString &byIdDir)
{
    struct stat want
    {};
    if (stat(QFile::encodeName(device).constData(), &want) != 0)
        return {};
    const QDir dir(byIdDir);
    for (const QString &name :
         dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        struct stat st
        {};
        const QString link = dir.filePath(name);
        if (stat(QFile::encodeName(link).constData(), &st) == 0 && S_ISCHR(st.st_mode)
            && st.st_rdev == want.st_rdev)
            return link;
    }
    return {};
}

} // namespace

PortDetails DescribePort(const QString &portName, const QString &byIdDir)
{
    PortDetails details;
    const QString name = QFileInfo(portName).fileName();
    const QString device = portName.startsWith(u'/') ? portName
                                                     : QStringLiteral("/dev/") + portName;
    if (udev *u = udev_new()) {
        if (udev_device *tty = udev_device_new_from_subsystem_sysname(u, "tty",
                                                                      name.toUtf8().constData())) {
            details.description = describe(tty);
            udev_device_unref(tty);
        }
        udev_unref(u);
    }
    details.stablePath = stableLink(device, byIdDir);
    return details;
}
