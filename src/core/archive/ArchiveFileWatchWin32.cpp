// The archive's file on Windows: its identity is the volume's serial number and the file's
// index, the copies' shared lock a byte range of a side file.

#include "archive/ArchiveFileWatch.h"

#include <windows.h>

#include <QDir>
#include <QFileInfo>

namespace {

// Less room than this is a full disk: SQLite needs a few pages and their journal.
constexpr unsigned long long kLowRoomBytes = 256 * 1024;

LPCWSTR wide(const QString &path)
{
    return reinterpret_cast<LPCWSTR>(path.utf16());
}

// Locks (or unlocks) the first byte of the side file without waiting.
bool lockFirstByte(HANDLE h, bool exclusive)
{
    OVERLAPPED ov{};
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    return LockFileEx(h, flags, 0, 1, 0, &ov) != 0;
}

void unlockFirstByte(HANDLE h)
{
    OVERLAPPED ov{};
    UnlockFileEx(h, 0, 1, 0, &ov);
}

} // namespace

ArchiveFileWatch::~ArchiveFileWatch()
{
    detach();
}

bool ArchiveFileWatch::attach(const QString &path)
{
    if (m_fd != -1 && path == m_path) {
        remember();
        return true;
    }
    detach();
    const QString side = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())
                         + QStringLiteral(".lock");
    const HANDLE h = CreateFileW(wide(side), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    // A copy that cannot take the shared lock is still told apart by the others.
    lockFirstByte(h, false);
    m_fd = HandleToLong(h);
    m_path = path;
    remember();
    return true;
}

void ArchiveFileWatch::remember()
{
    const QString native = QDir::toNativeSeparators(m_path);
    const HANDLE h = CreateFileW(wide(native), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    m_known = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    m_dev = info.dwVolumeSerialNumber;
    m_ino = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    m_size = (int64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

void ArchiveFileWatch::detach()
{
    if (m_fd != -1)
        CloseHandle(LongToHandle(m_fd)); // its lock goes with it
    m_fd = -1;
    m_known = false;
}

ArchiveFileWatch::Change ArchiveFileWatch::look()
{
    if (m_fd == -1 || !m_known)
        return Change::None;
    const HANDLE h = CreateFileW(wide(QDir::toNativeSeparators(m_path)), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ? Change::Gone
                                                                          : Change::None;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!known)
        return Change::None;
    const uint64_t index = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    if (info.dwVolumeSerialNumber != m_dev || index != m_ino)
        return Change::Replaced;
    // The archive only ever grows: it is never vacuumed, and its pages are freed nowhere.
    const int64_t size = (int64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size < m_size)
        return Change::Truncated;
    m_size = size;
    return Change::None;
}

bool ArchiveFileWatch::otherCopyHolds() const
{
    if (m_fd == -1)
        return false;
    // Only the sole holder of the shared lock may take it exclusively; the shared one is
    // given up for the try and taken again either way.
    const HANDLE h = LongToHandle(m_fd);
    unlockFirstByte(h);
    const bool alone = lockFirstByte(h, true);
    const DWORD error = GetLastError();
    if (alone)
        unlockFirstByte(h);
    lockFirstByte(h, false);
    return !alone && error == ERROR_LOCK_VIOLATION;
}

bool ArchiveFileWatch::diskFull(const QString &folder)
{
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(wide(QDir::toNativeSeparators(folder)), &available, nullptr, nullptr))
        return false;
    return available.QuadPart < kLowRoomBytes;
}
