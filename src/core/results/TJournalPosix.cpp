// The journal's file on POSIX: a descriptor locked with flock(), written with write() and
// made durable with fdatasync().

#include "results/TJournal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "text/SafeFile.h"
#include "text/Strings.h"

bool TJournal::failed(int error)
{
    m_error = QString::fromLocal8Bit(strerror(error));
    return false;
}

bool TJournal::Open(const QString &path)
{
    Close();
    m_busy = false;
    m_error.clear();
    const QByteArray name = QFile::encodeName(path);
    struct stat before
    {};
    const bool existed = ::lstat(name.constData(), &before) == 0;
    int fd;
    // Without blocking: a FIFO in the journal's place must not hang the window.
    do {
        fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return failed(errno);
    struct stat st
    {};
    if (fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return failed(error);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        m_error = Str::NotRegularFile;
        return false;
    }
    // Held for as long as the window lives: a journal that cannot be locked belongs to a copy
    // of the program that is still running.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK)
            return failed(error);
        m_busy = true;
        m_error = Str::JournalHeld;
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // A new journal's name must survive a power cut as well as its records.
    if (!existed)
        SafeFile::syncFolderOf(path);
    m_fd = fd;
    m_path = path;
    return true;
}

std::vector<TJournal::Record> TJournal::ReadAll() const
{
    if (m_fd < 0)
        return {};
    struct stat st
    {};
    if (fstat(m_fd, &st) != 0 || st.st_size <= 0)
        return {};
    QByteArray data(qsizetype(st.st_size), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < data.size()) {
        const ssize_t n = pread(m_fd, data.data() + got, size_t(data.size() - got), got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    data.truncate(got);
    return Parse(data);
}

bool TJournal::writeAll(const QByteArray &bytes)
{
    const off_t end = lseek(m_fd, 0, SEEK_END);
    if (end < 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            // Never leave half a record behind a good one.
            if (ftruncate(m_fd, end) != 0) {
            }
            return failed(error);
        }
        done += n;
    }
    return fdatasync(m_fd) == 0 || failed(errno);
}

bool TJournal::Clear()
{
    if (m_fd < 0)
        return false;
    if (ftruncate(m_fd, 0) != 0 || fdatasync(m_fd) != 0)
        return failed(errno);
    return true;
}

void TJournal::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd); // releases the lock
        m_fd = -1;
    }
}
