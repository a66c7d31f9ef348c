#pragma once

// Small file helpers for the file tests.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/fsuid.h>
#include <unistd.h>

inline bool putFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray getFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Root passes every permission check; file access as nobody makes a read-only folder mean
// what it says. Folders the test makes must then be open to others.
class AsNobody
{
public:
    AsNobody()
    {
        if (geteuid() == 0) {
            setfsgid(65534);
            setfsuid(65534);
            m_was = true;
        }
    }
    ~AsNobody()
    {
        if (m_was) {
            setfsuid(0);
            setfsgid(0);
        }
    }
    AsNobody(const AsNobody &) = delete;
    AsNobody &operator=(const AsNobody &) = delete;

private:
    bool m_was = false;
};
