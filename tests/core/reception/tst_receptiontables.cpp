#include <QTest>

#include "export/TProtocolHeader.h"
#include "reception/ReceptionTables.h"

namespace {

using Part = ReceptionTables::DayPart;

std::optional<Decimal> dec(const QString &s)
{
    return s.isEmpty() ? std::nullopt : Decimal::parse(s);
}

// "code;name;kg;fat;protein;credited;amount", deliveries apart by "/"; an empty field is none.
QList<Delivery> dayDeliveries(const QString &listed)
{
    QList<Delivery> out;
    for (const QString &one : listed.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QStringList f = one.split(QLatin1Char(';'));
        Delivery d;
        d.supplierCode = f[0];
        d.supplierName = f[1];
        d.kilograms = dec(f[2]);
        d.fat = dec(f[3]);
        d.protein = dec(f[4]);
        d.credited = dec(f[5]);
        d.amount = dec(f[6]);
        out << d;
    }
    return out;
}

// "code;yyyy-MM-ddTHH:mm;kg;fat;snf;protein;credited;version;price;amount" apart by "/".
QList<Delivery> statementDeliveries(const QString &listed)
{
    QList<Delivery> out;
    for (const QString &one : listed.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QStringList f = one.split(QLatin1Char(';'));
        Delivery d;
        d.supplierCode = f[0];
        d.at = QDateTime::fromString(f[1], Qt::ISODate);
        d.kilograms = dec(f[2]);
        d.fat = dec(f[3]);
        d.snf = dec(f[4]);
        d.protein = dec(f[5]);
        d.credited = dec(f[6]);
        d.rateVersion = f[7].toLongLong();
        d.price = dec(f[8]);
        d.amount = dec(f[9]);
        out << d;
    }
    return out;
}

// Rows as "a|b|c", one a line.
QString rowsOf(const TExportTable &t)
{
    QStringList rows;
    for (int r = 0; r < t.rowCount; ++r) {
        QStringList cells;
        for (int c = 0; c < t.columnCount(); ++c)
            cells << t.cell(c, r);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows.join(QLatin1Char('\n'));
}

QString statisticsOf(const TExportTable &t)
{
    QStringList lines;
    if (t.statistics) {
        for (const QStringList &line : t.statistics())
            lines << line.join(QLatin1Char('|'));
    }
    return lines.join(QLatin1Char('\n'));
}

const QLocale Russian(QLocale::Russian, QLocale::Russia);

} // namespace

class TestReceptionTables : public QObject
{
    Q_OBJECT

private slots:
    void dayReport_data()
    {
        QTest::addColumn<QString>("deliveries");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("totals");

        // Fat (100·3,40 + 300·4,00) ÷ 400 = 3,85; protein (300 + 960) ÷ 400 = 3,15.
        QTest::newRow("two deliveries of one")
            << "001;Иванов;100,00;3,40;3,00;100,00;3000,00/"
               "001;Иванов;300,00;4,00;3,20;352,94;10588,20"
            << Russian << "001|Иванов|2|400,00|3,85|3,15|452,94|13588,20|"
            << "Итого||2|400,00|3,85|3,15|452,94|13588,20|";
        // The unpriced delivery counts, adds its mass, and nothing to the amount; fat of the
        // total (340 + 720) ÷ 300 = 3,5333; protein only where known.
        QTest::newRow("unpriced")
            << "002;Петров;200,00;3,60;;211,76;/001;Иванов;100,00;3,40;3,00;100,00;3000,00"
            << Russian
            << "001|Иванов|1|100,00|3,40|3,00|100,00|3000,00|\n"
               "002|Петров|1|200,00|3,60||211,76|0,00|1"
            << "Итого||2|300,00|3,53|3,00|311,76|3000,00|1";
        // (3,00 + 3,01) ÷ 2 = 3,005: the half goes up.
        QTest::newRow("mean's half up") << "7;Ким;1,00;3,00;;1,00;30,00/7;Ким;1,00;3,01;;1,00;30,10"
                                        << Russian << "7|Ким|2|2,00|3,01||2,00|60,10|"
                                        << "Итого||2|2,00|3,01||2,00|60,10|";
        QTest::newRow("codes by number")
            << "10;Б;50,00;;;50,00;1,00/9;А;60,00;;;60,00;2,00" << Russian
            << "9|А|1|60,00|||60,00|2,00|\n10|Б|1|50,00|||50,00|1,00|"
            << "Итого||2|110,00|||110,00|3,00|";
        QTest::newRow("point separator") << "001;Иванов;100,5;3,4;3;100,5;3015"
                                         << QLocale(QLocale::English, QLocale::UnitedStates)
                                         << "001|Иванов|1|100.50|3.40|3.00|100.50|3015.00|"
                                         << "Итого||1|100.50|3.40|3.00|100.50|3015.00|";
        QTest::newRow("a delivery without mass")
            << "3;Ли;;;;;" << Russian << "3|Ли|1|0,00|||0,00|0,00|1"
            << "Итого||1|0,00|||0,00|0,00|1";
        QTest::newRow("empty") << "" << Russian << ""
                               << "";
    }

    void dayReport()
    {
        QFETCH(QString, deliveries);
        QFETCH(QLocale, locale);
        const TExportTable t = ReceptionTables::dayReport(DeliveryReport::of(
                                                              dayDeliveries(deliveries)),
                                                          QStringLiteral("Смена"), locale);
        QCOMPARE(t.columnCount(), 9);
        QTEST(rowsOf(t), "rows");
        QTEST(statisticsOf(t), "totals");
        QCOMPARE(t.name, QStringLiteral("Смена"));
    }

    void statement_data()
    {
        QTest::addColumn<QString>("deliveries");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("eveningHour");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("totals");

        // Another supplier's and a delivery after the period stay out; the rest by time.
        // Fat (100·3,40 + 300·4,00) ÷ 400 = 3,85; SNF (820 + 2580) ÷ 400 = 8,50;
        // protein (300 + 960) ÷ 400 = 3,15.
        QTest::newRow("period of one")
            << "001;2026-12-09T18:05;300,00;4,00;8,60;3,20;352,94;5;30,00;10588,20/"
               "002;2026-12-09T08:00;50,00;3,40;8,20;3,00;50,00;5;30,00;1500,00/"
               "001;2026-12-08T07:30;100,00;3,40;8,20;3,00;100,00;4;30,00;3000,00/"
               "001;2026-12-10T07:00;10,00;3,40;8,20;3,00;10,00;5;30,00;300,00"
            << "2026-12-01"
            << "2026-12-09" << 12
            << "08.12.2026|07:30:00|утро|100,00|3,40|8,20|3,00|100,00|4|30,00|3000,00\n"
               "09.12.2026|18:05:00|вечер|300,00|4,00|8,60|3,20|352,94|5|30,00|10588,20"
            << "Итого|||400,00|3,85|8,50|3,15|452,94|||13588,20";
        QTest::newRow("unpriced")
            << "001;2026-12-09T06:00;200,00;3,60;8,40;;211,76;0;;/"
               "001;2026-12-09T19:00;100,00;3,40;8,20;3,00;100,00;5;30,00;3000,00"
            << "2026-12-09"
            << "2026-12-09" << 18
            << "09.12.2026|06:00:00|утро|200,00|3,60|8,40||211,76|||нет цены\n"
               "09.12.2026|19:00:00|вечер|100,00|3,40|8,20|3,00|100,00|5|30,00|3000,00"
            << "Итого|||300,00|3,53|8,33|3,00|311,76|||3000,00\nСдач без цены: 1";
        // An hour out of range is noon: 11:59 is the morning, 12:00 the evening.
        QTest::newRow("default evening") << "001;2026-12-09T12:00;1,00;;;;1,00;1;2,00;2,00/"
                                            "001;2026-12-09T11:59;1,00;;;;1,00;1;2,00;2,00"
                                         << "2026-12-09"
                                         << "2026-12-09" << 0
                                         << "09.12.2026|11:59:00|утро|1,00||||1,00|1|2,00|2,00\n"
                                            "09.12.2026|12:00:00|вечер|1,00||||1,00|1|2,00|2,00"
                                         << "Итого|||2,00||||2,00|||4,00";
        QTest::newRow("nothing in the period") << "001;2026-11-30T23:59;1,00;;;;1,00;1;2,00;2,00"
                                               << "2026-12-01"
                                               << "2026-12-09" << 12 << ""
                                               << "";
    }

    void statement()
    {
        QFETCH(QString, deliveries);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, eveningHour);
        const TExportTable t = ReceptionTables::statement(QStringLiteral("001"),
                                                          QStringLiteral("Иванов"),
                                                          statementDeliveries(deliveries),
                                                          QDate::fromString(from, Qt::ISODate),
                                                          QDate::fromString(to, Qt::ISODate),
                                                          eveningHour, Russian);
        QCOMPARE(t.columnCount(), 11);
        QTEST(rowsOf(t), "rows");
        QTEST(statisticsOf(t), "totals");
    }

    // The printed statement: its title, period and the two signers' lines.
    void statementProtocol_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("header");

        QTest::newRow("month") << "2026-12-01"
                               << "2026-12-31"
                               << "Ведомость сдачи молока\nПериод: 01.12.2026 — 31.12.2026\n"
                                  "Сдал: ____________________\nПринял: ____________________";
        QTest::newRow("one day") << "2026-12-09"
                                 << "2026-12-09"
                                 << "Ведомость сдачи молока\nПериод: 09.12.2026 — 09.12.2026\n"
                                    "Сдал: ____________________\nПринял: ____________________";
    }

    void statementProtocol()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        const TExportTable t = ReceptionTables::statement(QStringLiteral("001"),
                                                          QStringLiteral("Иванов"), {},
                                                          QDate::fromString(from, Qt::ISODate),
                                                          QDate::fromString(to, Qt::ISODate), 12,
                                                          Russian);
        QVERIFY(t.protocol);
        const QStringList header = QStringList{t.protocol->titleLine()} + t.protocol->lines()
                                   + t.protocol->signatureLines();
        QTEST(header.join(QLatin1Char('\n')), "header");
        QCOMPARE(t.name, QStringLiteral("Поставщик 001 — Иванов"));
    }

    void bounds_data()
    {
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("eveningHour");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");

        QTest::newRow("whole day") << int(Part::WholeDay) << 12 << "2026-12-09T00:00:00"
                                   << "2026-12-10T00:00:00";
        QTest::newRow("morning") << int(Part::Morning) << 14 << "2026-12-09T00:00:00"
                                 << "2026-12-09T14:00:00";
        QTest::newRow("evening") << int(Part::Evening) << 18 << "2026-12-09T18:00:00"
                                 << "2026-12-10T00:00:00";
        QTest::newRow("hour out of range") << int(Part::Evening) << 24 << "2026-12-09T12:00:00"
                                           << "2026-12-10T00:00:00";
    }

    void bounds()
    {
        QFETCH(int, part);
        QFETCH(int, eveningHour);
        const auto [from, to] = ReceptionTables::bounds(QDate(2026, 12, 9), Part(part), eveningHour);
        QTEST(from.toString(Qt::ISODate), "from");
        QTEST(to.toString(Qt::ISODate), "to");
    }

    // A spreadsheet gets the totals as its last rows, their figures as numbers.
    void totalsAsRows_data()
    {
        QTest::addColumn<QString>("deliveries");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QString>("last");
        QTest::addColumn<double>("lastKilograms");

        QTest::newRow("two suppliers")
            << "001;Иванов;100,00;3,40;3,00;100,00;3000,00/002;Петров;50,25;;;50,25;1000,00" << 3
            << "Итого||2|150,25|3,40|3,00|150,25|4000,00|" << 150.25;
        QTest::newRow("one") << "5;Ли;10,5;;;10,5;1" << 2 << "Итого||1|10,50|||10,50|1,00|" << 10.5;
    }

    void totalsAsRows()
    {
        QFETCH(QString, deliveries);
        const TExportTable day = ReceptionTables::dayReport(DeliveryReport::of(
                                                                dayDeliveries(deliveries)),
                                                            QString(), Russian);
        const TExportTable t = ReceptionTables::withTotalsAsRows(day);
        QTEST(t.rowCount, "rowCount");
        QVERIFY(!t.statistics);
        QStringList last;
        for (int c = 0; c < t.columnCount(); ++c)
            last << t.cell(c, t.rowCount - 1);
        QTEST(last.join(QLatin1Char('|')), "last");
        const auto kg = t.numberAt(3, t.rowCount - 1, t.cell(3, t.rowCount - 1));
        QVERIFY(kg);
        QTEST(kg->value, "lastKilograms");
        QCOMPARE(kg->decimals, 2);
    }
};

QTEST_GUILESS_MAIN(TestReceptionTables)
#include "tst_receptiontables.moc"
