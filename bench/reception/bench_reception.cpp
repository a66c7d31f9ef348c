// A day's reception report of 1,000 suppliers with three deliveries each: the lines worked
// out, the report's table, and the table laid out as a workbook in a temporary folder. The
// median of several runs of each step; prints times, asserts nothing.

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include "export/TXlsxExport.h"
#include "reception/ReceptionTables.h"

namespace {

constexpr int Suppliers = 1000;
constexpr int PerSupplier = 3;
constexpr int Runs = 9;

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Worked-out deliveries of a day, the suppliers' codes in no order.
QList<Delivery> day()
{
    QList<Delivery> out;
    unsigned x = 7;
    for (int s = 0; s < Suppliers; ++s) {
        const int code = (s * 7919) % Suppliers + 1;
        for (int k = 0; k < PerSupplier; ++k) {
            x = x * 1103515245u + 12345u;
            Delivery d;
            d.supplierCode = QString::number(code).rightJustified(4, QLatin1Char('0'));
            d.supplierName = QStringLiteral("Хозяйство %1").arg(code);
            d.at = QDateTime(QDate(2026, 12, 9), QTime(6 + k * 5, int(x % 60)));
            d.kilograms = Decimal::fromUnits(qint64(50 + x % 950) * Decimal::One
                                             + qint64(x >> 8) % 100 * 10'000);
            d.fat = Decimal::fromUnits(qint64(300 + (x >> 4) % 150) * 10'000);
            d.protein = Decimal::fromUnits(qint64(280 + (x >> 6) % 80) * 10'000);
            d.credited = d.kilograms;
            if (x % 50 != 0)
                d.amount = Decimal::mul(*d.kilograms, Decimal::fromInt(32), 2);
            out << d;
        }
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QList<Delivery> deliveries = day();
    const QLocale locale(QLocale::Russian, QLocale::Russia);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("day.xlsx"));

    std::vector<double> lines, table, xlsx, total;
    QElapsedTimer t;
    QElapsedTimer all;
    for (int run = 0; run < Runs; ++run) {
        all.start();
        t.start();
        const DeliveryReport report = DeliveryReport::of(deliveries);
        lines.push_back(ms(t));
        t.start();
        const TExportTable shown = ReceptionTables::withTotalsAsRows(
            ReceptionTables::dayReport(report, QStringLiteral("09.12.2026"), locale));
        table.push_back(ms(t));
        t.start();
        QString error;
        if (!TXlsxExport::write(shown, path, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        xlsx.push_back(ms(t));
        total.push_back(ms(all));
    }
    std::printf("day report, %d suppliers x %d deliveries, median of %d runs\n", Suppliers,
                PerSupplier, Runs);
    std::printf("  DeliveryReport::of   %8.2f ms\n", median(lines));
    std::printf("  dayReport table      %8.2f ms\n", median(table));
    std::printf("  XLSX written         %8.2f ms (%lld bytes)\n", median(xlsx),
                static_cast<long long>(QFileInfo(path).size()));
    std::printf("  together             %8.2f ms (target under 500 ms)\n", median(total));
    return 0;
}
