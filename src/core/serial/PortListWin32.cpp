// The port list from the registry: every serial port driver enters its ports as values of
// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM, the value's text being the port's name.

#include "serial/PortList.h"

#include <vector>

#include <windows.h>

namespace {

// The port names under one opened key; values that are no text are passed over.
QStringList portNames(HKEY key)
{
    DWORD valueCount = 0, maxNameLength = 0, maxDataLength = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount,
                         &maxNameLength, &maxDataLength, nullptr, nullptr)
        != ERROR_SUCCESS)
        return {};
    QStringList names;
    std::vector<char> name(maxNameLength + 1);
    // Room for a terminating zero the driver may have left out.
    std::vector<BYTE> data(maxDataLength + 1);
    for (DWORD i = 0; i < valueCount; ++i) {
        DWORD nameLength = DWORD(name.size());
        DWORD dataLength = maxDataLength;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength)
            != ERROR_SUCCESS)
            continue;
        if (type != REG_SZ)
            continue;
        data[dataLength] = 0;
        names << QString::fromLocal8Bit(reinterpret_cast<const char *>(data.data())).trimmed();
    }
    return names;
}

} // namespace

QString enumComPorts(const QString &)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key)
        != ERROR_SUCCESS)
        return {};
    const QStringList names = portNames(key);
    RegCloseKey(key);
    return portListText(names);
}
