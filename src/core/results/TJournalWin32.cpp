// The journal's file on Windows: a handle whose whole range is locked with LockFileEx(),
// written at its end and made durable with FlushFileBuffers().

#include "results/TJournal.h"

#include <windows.h>

#include <QDir>

#include "text/SafeFile.h"
#include "text/Strings.h"

namespace {

HANDLE handleOf(int fd)
{
    return LongToHandle(fd);
}

// Every byte the journal may ever hold.
constexpr DWORD kWholeLow = MAXDWORD, kWholeHigh = MAXDWORD;

bool seekTo(HANDLE h, LONGLONG offset, DWORD from, LONGLONG *at = nullptr)
{
    LARGE_INTEGER want{}, now{};
    want.QuadPart = offset;
    if (!SetFilePointerEx(h, want, &now, from))
        return false;
    if (at)
        *at = now.QuadPart;
    return true;
}

} // namespace

bool TJournal::failed(int error)
{
    m_error = qt_error_string(error);
    return false;
}

bool TJournal::Open(const QString &path)
{
    Close();
    m_busy = false;
    m_error.clear();
    const QString native = QDir::toNativeSeparators(path);
    const auto name = reinterpret_cast<LPCWSTR>(native.utf16());
    const bool existed = GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES;
    // Others may look, as they may on Linux; the lock keeps a second copy from writing.
    const HANDLE h = CreateFileW(name, GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return failed(int(GetLastError()));
    // A device name ("COM1", "NUL") opens as well as a file does.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        m_error = Str::NotRegularFile;
        return false;
    }
    // Held for as long as the window lives: a journal that cannot be locked belongs to a copy
    // of the program that is still running.
    OVERLAPPED ov{};
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, kWholeLow,
                    kWholeHigh, &ov)) {
        const DWORD error = GetLastError();
        CloseHandle(h);
        if (error != ERROR_LOCK_VIOLATION)
            return failed(int(error));
        m_busy = true;
        m_error = Str::JournalHeld;
        return false;
    }
    // A new journal's name must survive a power cut as well as its records.
    if (!existed)
        SafeFile::syncFolderOf(path);
    m_fd = HandleToLong(h);
    m_path = path;
    return true;
}

std::vector<TJournal::Record> TJournal::ReadAll() const
{
    if (m_fd < 0)
        return {};
    const HANDLE h = handleOf(m_fd);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h, &size) || size.QuadPart <= 0 || size.QuadPart > (1LL << 31))
        return {};
    QByteArray data(qsizetype(size.QuadPart), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < data.size()) {
        OVERLAPPED at{};
        at.Offset = DWORD(got);
        DWORD n = 0;
        if (!ReadFile(h, data.data() + got, DWORD(data.size() - got), &n, &at) || n == 0)
            break;
        got += qsizetype(n);
    }
    data.truncate(got);
    return Parse(data);
}

bool TJournal::writeAll(const QByteArray &bytes)
{
    const HANDLE h = handleOf(m_fd);
    LONGLONG end = 0;
    if (!seekTo(h, 0, FILE_END, &end))
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        if (!WriteFile(h, bytes.constData() + done, DWORD(bytes.size() - done), &n, nullptr)
            || n == 0) {
            const DWORD error = n == 0 && GetLastError() == ERROR_SUCCESS ? ERROR_DISK_FULL
                                                                          : GetLastError();
            // Never leave half a record behind a good one.
            if (seekTo(h, end, FILE_BEGIN))
                SetEndOfFile(h);
            return failed(int(error));
        }
        done += qsizetype(n);
    }
    return FlushFileBuffers(h) || failed(int(GetLastError()));
}

bool TJournal::Clear()
{
    if (m_fd < 0)
        return false;
    const HANDLE h = handleOf(m_fd);
    if (!seekTo(h, 0, FILE_BEGIN) || !SetEndOfFile(h) || !FlushFileBuffers(h))
        return failed(int(GetLastError()));
    return true;
}

void TJournal::Close()
{
    if (m_fd >= 0) {
        const HANDLE h = handleOf(m_fd);
        OVERLAPPED ov{};
        UnlockFileEx(h, 0, kWholeLow, kWholeHigh, &ov);
        CloseHandle(h);
        m_fd = -1;
    }
}
