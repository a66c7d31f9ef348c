#include "text/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

int SafeFile::removeStaleCopies(const QString &path)
{
    const QFileInfo target(path);
    const QString base = target.fileName();
    static const QRegularExpression tail(QStringLiteral("^\\.[A-Za-z0-9]{6}$"));
    static const QRegularExpression made(QStringLiteral("[A-Z0-9]"));
    QDir dir = target.absoluteDir();
    int removed = 0;
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QString &name : names) {
        if (name.size() != base.size() + 7 || !name.startsWith(base))
            continue;
        const QString rest = name.mid(base.size());
        if (!tail.match(rest).hasMatch() || !made.match(rest.mid(1)).hasMatch())
            continue;
        if (dir.remove(name))
            ++removed;
    }
    return removed;
}
