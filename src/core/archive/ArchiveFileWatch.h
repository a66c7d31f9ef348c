#pragma once

// What the archive knows of the file it opened: which file it is (its device and inode), how
// large it was when last looked at, and a shared advisory lock that every running copy of the
// program holds for as long as it has the archive open. The lock is flock() on the archive's
// folder, never a descriptor of the file itself: closing any descriptor of a file drops the
// process's fcntl() locks on it, and SQLite locks with those. On Windows a folder cannot be
// locked: the lock is LockFileEx() on a side file beside the archive ("<archive>.lock").

#include <cstdint>

#include <QString>

class ArchiveFileWatch
{
public:
    enum class Change {
        None,
        Gone,      // no file at the path any more
        Replaced,  // another file stands at the path
        Truncated, // the file opened is shorter than it was
    };

    ArchiveFileWatch() = default;
    ~ArchiveFileWatch();
    ArchiveFileWatch(const ArchiveFileWatch &) = delete;
    ArchiveFileWatch &operator=(const ArchiveFileWatch &) = delete;

    // Takes the file now at path as the archive's (again, when attached to it already). False
    // when its folder cannot be opened.
    bool attach(const QString &path);
    void detach();
    bool attached() const { return m_fd >= 0; }

    // How the path and the file compare with what was attached; remembers a file that grew.
    Change look();
    // Another running copy of the program has this archive open.
    bool otherCopyHolds() const;
    // The file system of the folder has (next to) no room left for the archive's pages.
    static bool diskFull(const QString &folder);

private:
    void remember();

    int m_fd = -1; // the archive's folder; on Windows the side file's handle
    QString m_path;
    bool m_known = false; // the file was there when attached
    uint64_t m_dev = 0;   // the device and inode; on Windows the volume and file index
    uint64_t m_ino = 0;
    int64_t m_size = 0;
};
