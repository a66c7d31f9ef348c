#include "qc/CalibrationSettings.h"

#include "settings/TIniPlus.h"

namespace {
const QString SectionName = QString::fromLatin1(CalibrationSettings::Section);
const QString EnabledKey = QStringLiteral("Enabled");
const QString ToFileKey = QStringLiteral("ToFile");
} // namespace

CalibrationSettings CalibrationSettings::read(const TIniPlus &ini)
{
    CalibrationSettings s;
    s.enabled = ini.ReadBool(SectionName, EnabledKey, false);
    s.toFile = s.enabled && ini.ReadBool(SectionName, ToFileKey, false);
    return s;
}

void CalibrationSettings::write(TIniPlus &ini) const
{
    ini.WriteBool(SectionName, ToFileKey, toFile);
}
