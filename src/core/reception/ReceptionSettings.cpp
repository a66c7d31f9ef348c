#include "reception/ReceptionSettings.h"

#include "settings/TIniPlus.h"
#include "text/ReceptionStrings.h"

namespace {

const QString SectionName = QString::fromLatin1(ReceptionSettings::Section);

// A base is a percentage above zero and below 100.
void readBase(const TIniPlus &ini, const char *key, Decimal &base, QStringList &notes)
{
    const QString k = QString::fromLatin1(key);
    const QString text = ini.ReadString(SectionName, k, QString());
    if (text.isEmpty())
        return;
    const auto d = Decimal::parse(text);
    if (d && *d > Decimal() && *d < Decimal::fromInt(100))
        base = *d;
    else
        notes << ReceptionStrings::SettingsBadValue.arg(k, text);
}

} // namespace

ReceptionSettings ReceptionSettings::read(const TIniPlus &ini)
{
    ReceptionSettings s;
    s.enabled = ini.ReadBool(SectionName, QStringLiteral("Enabled"), false);
    if (!s.enabled)
        return s;
    readBase(ini, "BaseFat", s.credit.baseFat, s.notes);
    readBase(ini, "BaseProtein", s.credit.baseProtein, s.notes);
    const QString credit = ini.ReadString(SectionName, QStringLiteral("Credit"), QString());
    if (!credit.isEmpty()) {
        if (const auto b = CreditedWeight::basisFromKey(credit))
            s.credit.basis = *b;
        else
            s.notes << ReceptionStrings::SettingsBadValue.arg(QStringLiteral("Credit"), credit);
    }
    const int hour = ini.ReadInteger(SectionName, QStringLiteral("EveningHour"), s.eveningHour);
    if (hour >= 1 && hour <= 23)
        s.eveningHour = hour;
    else
        s.notes << ReceptionStrings::SettingsBadValue.arg(QStringLiteral("EveningHour"),
                                                          QString::number(hour));
    const QString unit = ini.ReadString(SectionName, QStringLiteral("Unit"), QString()).trimmed();
    if (unit.compare(QLatin1String("l"), Qt::CaseInsensitive) == 0)
        s.unit = DeliveryMass::Unit::Litres;
    else if (!unit.isEmpty() && unit.compare(QLatin1String("kg"), Qt::CaseInsensitive) != 0)
        s.notes << ReceptionStrings::SettingsBadValue.arg(QStringLiteral("Unit"), unit);
    return s;
}
