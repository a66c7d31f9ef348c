// The temporary file and the write check on Windows: a read-only file or a folder the user
// may not write answers "access denied"; a file another program has open may still be
// replaced, and the rename then tells whether it can.

#include "export/TReplacingFile.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <windows.h>

#include <QDir>

bool TReplacingFile::writable(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    const HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(native.utf16()), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() != ERROR_ACCESS_DENIED && GetLastError() != ERROR_WRITE_PROTECT;
    CloseHandle(h);
    return true;
}

int TReplacingFile::createNew(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    return _wopen(reinterpret_cast<const wchar_t *>(native.utf16()),
                  _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}
