#include "qc/QcSchedule.h"

#include <optional>

#include "qc/ControlMaterials.h"
#include "settings/TIniPlus.h"
#include "text/QcStrings.h"

const QString QcSchedule::SamplesKey = QStringLiteral("EverySamples");
const QString QcSchedule::MinutesKey = QStringLiteral("EveryMinutes");

namespace {

// 0 for blank or "0" (off), nullopt for what is no whole number of zero or more.
std::optional<int> readCount(const QString &text)
{
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok && v >= 0 ? std::optional<int>(v) : std::nullopt;
}

int readPart(const TIniPlus &ini, const QString &key, QStringList *notes)
{
    const QString text = ini.ReadString(ControlMaterials::Section, key, QString());
    const std::optional<int> v = readCount(text);
    if (!v && notes)
        notes->append(Str::QcNoteBadSchedule.arg(key + u'=' + text.left(24)));
    return v.value_or(0);
}

bool writePart(TIniPlus &ini, const QString &key, int value)
{
    const QString &section = ControlMaterials::Section;
    const QString text = value > 0 ? QString::number(value) : QString();
    if (!ini.ValueExists(section, key) && text.isEmpty())
        return true;
    const std::optional<int> held = readCount(ini.ReadString(section, key, QString()));
    if (held && *held == qMax(value, 0))
        return true;
    return ini.WriteString(section, key, text);
}

} // namespace

bool QcSchedule::owns(const QString &key)
{
    return key.compare(SamplesKey, Qt::CaseInsensitive) == 0
           || key.compare(MinutesKey, Qt::CaseInsensitive) == 0;
}

QcDue QcSchedule::due(int samplesSince, const QDateTime &lastControl, const QDateTime &now) const
{
    QcDue d;
    const bool never = !lastControl.isValid();
    d.bySamples = everySamples > 0 && (never || samplesSince >= everySamples);
    if (everyMinutes > 0) {
        const qint64 seconds = never ? 0 : lastControl.secsTo(now);
        d.byTime = never || seconds < 0 || seconds >= qint64(everyMinutes) * 60;
    }
    return d;
}

QcSchedule QcSchedule::read(const TIniPlus &ini, QStringList *notes)
{
    QcSchedule s;
    s.everySamples = readPart(ini, SamplesKey, notes);
    s.everyMinutes = readPart(ini, MinutesKey, notes);
    return s;
}

bool QcSchedule::write(TIniPlus &ini) const
{
    const bool samples = writePart(ini, SamplesKey, everySamples);
    return writePart(ini, MinutesKey, everyMinutes) && samples;
}
