#include "session/TConfigSettings.h"

#include "settings/TIniPlus.h"

namespace {
const QString kConfig = QStringLiteral("Config");
const QString kPort = QStringLiteral("COM");
const QString kFileName = QStringLiteral("FileName");
const QString kDeviceNumber = QStringLiteral("DeviceNumber");
} // namespace

void TConfigSettings::read(const TIniPlus &ini)
{
    port = ini.ReadString(kConfig, kPort, port);
    fileName = ini.ReadString(kConfig, kFileName, fileName);
    deviceNumber = ini.ReadInteger(kConfig, kDeviceNumber, deviceNumber);
}

void TConfigSettings::write(TIniPlus &ini) const
{
    ini.WriteString(kConfig, kPort, port);
    ini.WriteString(kConfig, kFileName, fileName);
    ini.WriteInteger(kConfig, kDeviceNumber, deviceNumber);
}
