#include "archive/ArchiveFileWatch.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

namespace {
// Less room than this is a full disk: SQLite needs a few pages and their journal.
constexpr unsigned long long kLowRoomBytes = 256 * 1024;
} // namespace

ArchiveFileWatch::~ArchiveFileWatch()
{
    detach();
}

bool ArchiveFileWatch::attach(const QString &path)
{
    if (m_fd >= 0 && path == m_path) {
        remember();
        return true;
    }
    detach();
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    int fd;
    do {
        fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    // A copy that cannot take the shared lock is still told apart by the others.
    while (flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EINTR) {
    }
    m_fd = fd;
    m_path = path;
    remember();
    return true;
}

void ArchiveFileWatch::remember()
{
    struct stat st
    {};
    m_known = ::stat(QFile::encodeName(m_path).constData(), &st) == 0;
    m_dev = st.st_dev;
    m_ino = st.st_ino;
    m_size = st.st_size;
}

void ArchiveFileWatch::detach()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_known = false;
}

ArchiveFileWatch::Change ArchiveFileWatch::look()
{
    if (m_fd < 0 || !m_known)
        return Change::None;
    struct stat now
    {};
    if (::stat(QFile::encodeName(m_path).constData(), &now) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Change::Gone : Change::None;
    if (now.st_dev != m_dev || now.st_ino != m_ino)
        return Change::Replaced;
    // The archive only ever grows: it is never vacuumed, and its pages are freed nowhere.
    if (now.st_size < m_size)
        return Change::Truncated;
    m_size = now.st_size;
    return Change::None;
}

bool ArchiveFileWatch::otherCopyHolds() const
{
    if (m_fd < 0)
        return false;
    // Only the sole holder of the shared lock may make it exclusive.
    const bool alone = flock(m_fd, LOCK_EX | LOCK_NB) == 0;
    const int error = errno;
    // A conversion may let the old lock go first, even when it fails: taken again either way.
    flock(m_fd, LOCK_SH | LOCK_NB);
    return !alone && error == EWOULDBLOCK;
}

bool ArchiveFileWatch::diskFull(const QString &folder)
{
    struct statvfs vfs
    {};
    if (statvfs(QFile::encodeName(folder).constData(), &vfs) != 0)
        return false;
    return (unsigned long long)(vfs.f_bavail) * vfs.f_frsize < kLowRoomBytes;
}
