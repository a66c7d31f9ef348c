#pragma once

// Small file helpers for the file tests.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

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

// Gives the folders a test locked back to their owner, so the temporary folder can go.
inline void removeTestDir(QTemporaryDir *&dir)
{
    const QDir d(dir->path());
    for (const QString &name : d.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        QFile::setPermissions(d.filePath(name), QFile::Permissions(0x7700));
    delete dir;
    dir = nullptr;
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
