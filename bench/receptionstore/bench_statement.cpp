// Reception over a year's archive: 1,000,000 deliveries of 1,000 suppliers, two a day each
// over 500 days. Times one supplier's month statement (its deliveries read back and summed)
// and one day's report of all 1,000 suppliers (read back and summed by supplier). Prints
// medians; asserts nothing. Usage: bench_statement [deliveries]

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "archive/TArchive.h"
#include "reception/DeliveryReport.h"
#include "reception/ReceptionStore.h"

namespace {

constexpr int Suppliers = 1000;
const QDateTime Start(QDate(2025, 8, 1), QTime(0, 0));

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

Delivery delivery(int i, const RateHistory &rates)
{
    Delivery d;
    const int supplier = i % Suppliers;
    const int slot = i / Suppliers; // two a day
    d.supplierCode = QString::number(1000 + supplier);
    d.supplierName = QStringLiteral("Поставщик %1").arg(supplier);
    d.at = Start.addDays(slot / 2).addSecs((slot % 2 ? 18 : 6) * 3600 + supplier * 7);
    d.quantity = Decimal::fromInt(50 + supplier % 400);
    d.fat = Decimal::fromUnits(3'200'000 + (i % 90) * 10'000);
    d.snf = Decimal::fromUnits(8'100'000 + (i % 50) * 10'000);
    d.protein = Decimal::fromUnits(2'900'000 + (i % 40) * 10'000);
    d.workOut(CreditedWeight(), rates);
    return d;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 1'000'000;
    QTemporaryDir dir;
    TArchive archive;
    if (!archive.open(dir.path())) {
        std::fprintf(stderr, "no archive\n");
        return 1;
    }
    const QSqlDatabase db = archive.sideTables();
    QSqlError error;
    RateTable t = *RateTable::fromCsv(QStringLiteral("Цена за зачётный кг;34,50\n")).table;
    t.validFrom = Start;
    t.id = ReceptionStore::addRateTable(db, t, QStringLiteral("Цена за зачётный кг;34,50\n"),
                                        QString(), Start, &error);
    RateHistory rates;
    rates.add(t);

    QElapsedTimer fill;
    fill.start();
    QSqlQuery(db).exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < count; ++i) {
        if (ReceptionStore::addDelivery(db, QUuid::createUuid(), delivery(i, rates), 1, QString(),
                                        Start, &error)
            == 0) {
            std::fprintf(stderr, "write failed: %s\n", qPrintable(error.text()));
            return 1;
        }
    }
    QSqlQuery(db).exec(QStringLiteral("COMMIT"));
    std::printf("%d deliveries written in %.1f s\n", count, fill.elapsed() / 1000.0);

    std::vector<double> statement, day;
    int rows = 0, lines = 0;
    for (int round = 0; round < 21; ++round) {
        const QDateTime month = Start.addMonths(1 + round % 12);
        QElapsedTimer s;
        s.start();
        const QList<Delivery> own = ReceptionStore::deliveries(db, month, month.addMonths(1),
                                                               QString::number(
                                                                   1000 + round * 37 % Suppliers),
                                                               &error);
        const DeliveryReport r = DeliveryReport::of(own);
        statement.push_back(s.nsecsElapsed() / 1e6);
        rows = int(own.size());

        const QDateTime d = Start.addDays(30 + round * 11);
        QElapsedTimer t2;
        t2.start();
        const DeliveryReport all = DeliveryReport::of(
            ReceptionStore::deliveries(db, d, d.addDays(1), QString(), &error));
        day.push_back(t2.nsecsElapsed() / 1e6);
        lines = int(all.lines.size());
    }
    std::printf("month statement of one supplier (%d deliveries): median %.2f ms (target 200)\n",
                rows, median(statement));
    std::printf("day report of %d suppliers: median %.2f ms (target 500)\n", lines, median(day));
    return 0;
}
