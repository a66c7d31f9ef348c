// The temporary file and the write check on POSIX.

#include "export/TReplacingFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

bool TReplacingFile::writable(const QString &path)
{
    int fd = -1;
    do {
        fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno != EACCES && errno != EPERM && errno != EROFS;
    ::close(fd);
    return true;
}

int TReplacingFile::createNew(const QString &path)
{
    int fd = -1;
    do {
        fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
