#include "export/TProtocolHeader.h"

#include "archive/OsUserFullName.h"
#include "export/TExportTable.h"
#include "export/TShownReader.h"
#include "quality/TLimits.h"
#include "settings/TIniPlus.h"
#include "text/ProtocolStrings.h"

const QString TProtocolHeader::Section = QStringLiteral("Report");

namespace {

int firstColumnOf(const TExportTable &table, TCellKind kind)
{
    for (int c = 0; c < table.columnCount(); ++c) {
        if (table.kind(c) == kind)
            return c;
    }
    return -1;
}

} // namespace

void TProtocolHeader::readSettings(const TIniPlus &ini)
{
    laboratory = ini.ReadString(Section, QStringLiteral("Laboratory"), QString()).trimmed();
    instrument = ini.ReadString(Section, QStringLiteral("Instrument"), QString()).trimmed();
    operatorName = ini.ReadString(Section, QStringLiteral("Operator"), QString()).trimmed();
    if (operatorName.isEmpty())
        operatorName = osUserFullName();
}

void TProtocolHeader::takePeriod(const TExportTable &table)
{
    periodFrom.clear();
    periodTo.clear();
    const int dateCol = firstColumnOf(table, TCellKind::Date);
    const int timeCol = firstColumnOf(table, TCellKind::Time);
    if (dateCol < 0 || timeCol < 0)
        return;
    // Rows of a reopened file and of later results need not stand in time order.
    TShownReader reader(table.locale);
    QDateTime first;
    QDateTime last;
    for (int r = 0; r < table.rowCount; ++r) {
        const QString dateText = table.cell(dateCol, r);
        const QString timeText = table.cell(timeCol, r);
        QDate date;
        QTime time;
        if (!reader.date(dateText, &date) || !reader.time(timeText, &time))
            continue;
        const QDateTime at(date, time);
        const QString shown = dateText + QLatin1Char(' ') + timeText;
        if (!first.isValid() || at < first) {
            first = at;
            periodFrom = shown;
        }
        if (!last.isValid() || at > last) {
            last = at;
            periodTo = shown;
        }
    }
}

void TProtocolHeader::takeNorms(const TLimits &limits, const TExportTable &table)
{
    norms.clear();
    for (int col : table.exportedColumns()) {
        const TLimit limit = limits.limit(col);
        const QString title = table.titles.value(col);
        if (limit.hasMin() && limit.hasMax()) {
            norms << Str::ProtocolNormRange.arg(title, TLimits::show(limit.min, locale),
                                                TLimits::show(limit.max, locale));
        } else if (limit.hasMin()) {
            norms << Str::ProtocolNormMin.arg(title, TLimits::show(limit.min, locale));
        } else if (limit.hasMax()) {
            norms << Str::ProtocolNormMax.arg(title, TLimits::show(limit.max, locale));
        }
    }
}

QStringList TProtocolHeader::lines() const
{
    QStringList out;
    if (!laboratory.isEmpty())
        out << Str::ProtocolLaboratory.arg(laboratory);
    if (!instrument.isEmpty())
        out << Str::ProtocolInstrument.arg(instrument);
    QStringList device;
    if (!model.isEmpty())
        device << Str::ProtocolModel.arg(model);
    if (!deviceNumber.isEmpty())
        device << Str::ProtocolDevice.arg(deviceNumber);
    if (!device.isEmpty())
        out << device.join(QStringLiteral(", "));
    if (!operatorName.isEmpty())
        out << Str::ProtocolOperator.arg(operatorName);
    if (!periodFrom.isEmpty())
        out << Str::ProtocolPeriod.arg(periodFrom, periodTo);
    if (!norms.isEmpty())
        out << Str::ProtocolNorms.arg(norms.join(QStringLiteral("; ")));
    return out;
}

QString TProtocolHeader::printedLine() const
{
    const QString when = locale.toString(printedAt.date(), QLocale::ShortFormat) + QLatin1Char(' ')
                         + printedAt.time().toString(QStringLiteral("HH:mm"));
    return Str::ProtocolPrinted.arg(when);
}

QString TProtocolHeader::signatureLine() const
{
    return Str::ProtocolSignature.arg(operatorName).trimmed();
}

QString TProtocolHeader::titleLine() const
{
    return title.isEmpty() ? Str::ProtocolTitle : title;
}

QStringList TProtocolHeader::signatureLines() const
{
    if (signers.isEmpty())
        return {signatureLine()};
    QStringList out;
    for (const QString &signer : signers)
        out << Str::ProtocolSignedAs.arg(signer);
    return out;
}
