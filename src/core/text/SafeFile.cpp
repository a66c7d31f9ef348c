#include "text/SafeFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("это папка");
    if (S_ISFIFO(mode))
        return QStringLiteral("это канал (FIFO), а не файл");
    if (S_ISSOCK(mode))
        return QStringLiteral("это сокет, а не файл");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("это устройство, а не файл");
    return QStringLiteral("это не обычный файл");
}

int retryOpen(const QByteArray &name, int flags)
{
    int fd;
    do {
        fd = ::open(name.constData(), flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

bool SafeFile::openForReading(QFile &file, const QString &path, QString *reason)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = retryOpen(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *reason = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    struct stat st
    {};
    const bool statted = fstat(fd, &st) == 0;
    if (!statted || !S_ISREG(st.st_mode)) {
        *reason = statted ? kindOf(st.st_mode) : QString::fromLocal8Bit(strerror(errno));
        ::close(fd);
        return false;
    }
    // A regular file reads the same with or without the flag; clear it all the same.
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *reason = file.errorString();
        return false;
    }
    return true;
}

bool SafeFile::mayReplace(const QString &path, QString *reason)
{
    struct stat st
    {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return true; // nothing there (or a dangling link): a new file is made
    if (S_ISREG(st.st_mode))
        return true;
    *reason = kindOf(st.st_mode);
    return false;
}

void SafeFile::syncFolderOf(const QString &path)
{
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = retryOpen(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    while (fsync(fd) != 0 && errno == EINTR) {
    }
    ::close(fd);
}

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
