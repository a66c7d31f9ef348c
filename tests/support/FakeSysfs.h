#pragma once

// A sysfs tree of the test's own for the port list: class/tty entries linking to their
// devices, as the kernel lays them out.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class FakeSysfs
{
public:
    bool make()
    {
        return m_dir.isValid() && QDir().mkpath(root())
               && QDir().mkpath(path(QStringLiteral("devices/serial0")));
    }
    // The class/tty folder the port list reads.
    QString root() const { return path(QStringLiteral("class/tty")); }
    QString path(const QString &relative) const { return m_dir.filePath(relative); }

    // root/NAME, with a device link unless it is virtual, and a type file when given.
    bool addTty(const QString &name, bool device = true, const QString &type = QString())
    {
        // As in sysfs, the class entry is itself a link to the device's directory.
        const QString real = path(QStringLiteral("devices/tty/") + name);
        if (!QDir().mkpath(real) || !QFile::link(real, root() + '/' + name))
            return false;
        if (device
            && !QFile::link(path(QStringLiteral("devices/serial0")),
                            real + QStringLiteral("/device")))
            return false;
        if (!type.isNull()) {
            QFile f(real + QStringLiteral("/type"));
            if (!f.open(QIODevice::WriteOnly) || f.write(type.toLatin1() + '\n') < 0)
                return false;
        }
        return true;
    }

private:
    QTemporaryDir m_dir;
};
