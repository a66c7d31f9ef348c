// The file checks on Windows: the file's type from its handle (a device name such as "COM1"
// or "NUL" opens like a file), durability from FlushFileBuffers() and a write-through rename.

#include "text/SafeFile.h"

#include <fcntl.h>
#include <io.h>

#include <windows.h>

#include <QDir>

#include "text/PlatformStrings.h"
#include "text/Strings.h"

namespace {

LPCWSTR wide(const QString &native)
{
    return reinterpret_cast<LPCWSTR>(native.utf16());
}

// Opens path for the given access, folders included, sharing everything.
HANDLE openAny(const QString &path, DWORD access)
{
    return CreateFileW(wide(QDir::toNativeSeparators(path)), access,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Why the opened h is not a file to read or replace; empty when it is one.
QString notAFile(HANDLE h)
{
    switch (GetFileType(h)) {
    case FILE_TYPE_DISK:
        break;
    case FILE_TYPE_CHAR:
        return Str::PathIsDevice;
    case FILE_TYPE_PIPE:
        return Str::PathIsPipe;
    default:
        return Str::NotRegularFile;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return Str::PathIsFolder;
    return {};
}

} // namespace

bool SafeFile::openForReading(QFile &file, const QString &path, QString *reason)
{
    const HANDLE h = openAny(path, GENERIC_READ);
    if (h == INVALID_HANDLE_VALUE) {
        *reason = qt_error_string(int(GetLastError()));
        return false;
    }
    const QString why = notAFile(h);
    if (!why.isEmpty()) {
        CloseHandle(h);
        *reason = why;
        return false;
    }
    const int fd = _open_osfhandle(intptr_t(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        *reason = Str::NotRegularFile;
        return false;
    }
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        _close(fd);
        *reason = file.errorString();
        return false;
    }
    return true;
}

bool SafeFile::mayReplace(const QString &path, QString *reason)
{
    // Asking for no access at all opens even a file another program holds.
    const HANDLE h = openAny(path, 0);
    if (h == INVALID_HANDLE_VALUE)
        return true; // nothing there: a new file is made (other failures tell at the save)
    const QString why = notAFile(h);
    CloseHandle(h);
    if (why.isEmpty())
        return true;
    *reason = why;
    return false;
}

// NTFS keeps names in its log: flushing the file that was just renamed or made writes the log
// up to that change, so the name is on the disk as well as the bytes.
void SafeFile::syncFolderOf(const QString &path)
{
    const HANDLE h = openAny(path, GENERIC_WRITE);
    if (h == INVALID_HANDLE_VALUE)
        return;
    FlushFileBuffers(h);
    CloseHandle(h);
}

bool SafeFile::replaceDurably(const QString &from, const QString &to, QString *reason)
{
    const HANDLE h = openAny(from, GENERIC_WRITE);
    if (h == INVALID_HANDLE_VALUE || !FlushFileBuffers(h)) {
        *reason = qt_error_string(int(GetLastError()));
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        return false;
    }
    CloseHandle(h);
    if (!MoveFileExW(wide(QDir::toNativeSeparators(from)), wide(QDir::toNativeSeparators(to)),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *reason = qt_error_string(int(GetLastError()));
        return false;
    }
    return true;
}
