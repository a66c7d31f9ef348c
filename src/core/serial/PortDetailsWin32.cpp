// The adapter behind a COM port as the device manager names it: the ports class's devices,
// each with its port name in its device key.

#include "serial/PortDetails.h"

#include <windows.h>

#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

#include <vector>

namespace {

QString portNameOf(HDEVINFO set, SP_DEVINFO_DATA &device)
{
    const HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof name[0];
    DWORD type = 0;
    const bool read = RegQueryValueExW(key, L"PortName", nullptr, &type,
                                       reinterpret_cast<BYTE *>(name), &size)
                          == ERROR_SUCCESS
                      && type == REG_SZ;
    RegCloseKey(key);
    return read ? QString::fromWCharArray(name) : QString();
}

QString property(HDEVINFO set, SP_DEVINFO_DATA &device, DWORD which)
{
    DWORD size = 0;
    SetupDiGetDeviceRegistryPropertyW(set, &device, which, nullptr, nullptr, 0, &size);
    if (size < sizeof(wchar_t))
        return {};
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, 0);
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, which, nullptr,
                                           reinterpret_cast<BYTE *>(text.data()), size, nullptr))
        return {};
    return QString::fromWCharArray(text.data()).trimmed();
}

// "USB Serial Port (COM3)": the port's own name is shown beside it already.
QString withoutPortName(QString text, const QString &portName)
{
    const QString tail = QStringLiteral(" (") + portName + u')';
    if (text.endsWith(tail, Qt::CaseInsensitive))
        text.chop(tail.size());
    return text.trimmed();
}

} // namespace

PortDetails DescribePort(const QString &portName, const QString &)
{
    PortDetails details;
    const HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return details;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        if (portNameOf(set, device).compare(portName, Qt::CaseInsensitive) != 0)
            continue;
        QString text = withoutPortName(property(set, device, SPDRP_FRIENDLYNAME), portName);
        if (text.isEmpty())
            text = property(set, device, SPDRP_DEVICEDESC);
        const QString maker = property(set, device, SPDRP_MFG);
        // "(Standard port types)" and the like say nothing of the adapter.
        if (!maker.isEmpty() && !maker.startsWith(u'(') && !text.startsWith(maker))
            text = text.isEmpty() ? maker : maker + u' ' + text;
        details.description = text;
        break;
    }
    SetupDiDestroyDeviceInfoList(set);
    return details;
}
