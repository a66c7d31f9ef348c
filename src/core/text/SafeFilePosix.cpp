// The file checks on POSIX: the file's type from fstat(), folders flushed with fsync().

#include "text/SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>

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

bool SafeFile::replaceDurably(const QString &from, const QString &to, QString *reason)
{
    QFile again(from);
    if (!again.open(QIODevice::ReadOnly) || ::fsync(again.handle()) != 0) {
        *reason = again.isOpen() ? QString::fromLocal8Bit(std::strerror(errno))
                                 : again.errorString();
        return false;
    }
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        *reason = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}
