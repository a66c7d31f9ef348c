#include <QTest>

#include "reception/DeliveryReport.h"
#include "reception/ReceptionShift.h"

namespace {

std::optional<Decimal> dec(const QString &s)
{
    return s.isEmpty() ? std::nullopt : Decimal::parse(s);
}

QString shown(std::optional<Decimal> d)
{
    return d ? d->toString(2) : QStringLiteral("none");
}

const QString Bands = QStringLiteral("# fat below and from 3,4 by SNF below and from 8,2\n"
                                     "Жир от;Жир до;СОМО от;СОМО до;Цена\n"
                                     ";3,4;;8,2;28,00\n"
                                     ";3,4;8,2;;29,00\n"
                                     "3,4;;;8,2;30,00\n"
                                     "3,4;;8,2;;31,50\n");
const QString BasePrice = QStringLiteral("Цена за зачётный кг;34,50\nвысший;10\nвторой;-5\n");

RateTable table(const QString &csv, qint64 id, const QString &from, const QString &type = {})
{
    RateTable t = *RateTable::fromCsv(csv).table;
    t.id = id;
    t.validFrom = QDateTime::fromString(from, Qt::ISODate);
    t.milkType = type;
    return t;
}

} // namespace

class TestDeliveryArithmetic : public QObject
{
    Q_OBJECT

private slots:
    // Mass, credited weight and the amount of one delivery, worked out by hand.
    void delivery_data()
    {
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<bool>("litres");
        QTest::addColumn<QString>("density");
        QTest::addColumn<QString>("fat");
        QTest::addColumn<QString>("protein");
        QTest::addColumn<QString>("basis");
        QTest::addColumn<QString>("expected"); // kg, credited kg

        QTest::newRow("at base fat") << "1000" << false << ""
                                     << "3,40"
                                     << ""
                                     << "fat"
                                     << "1000,00 1000,00";
        QTest::newRow("above base fat") << "523,5" << false << ""
                                        << "3,85"
                                        << ""
                                        << "fat"
                                        << "523,50 592,79";
        QTest::newRow("credited half rounds up") << "1,70" << false << ""
                                                 << "3,45"
                                                 << ""
                                                 << "fat"
                                                 << "1,70 1,73";
        QTest::newRow("typed mass half rounds up") << "1,005" << false << ""
                                                   << "3,40"
                                                   << ""
                                                   << "fat"
                                                   << "1,01 1,01";
        QTest::newRow("by protein") << "12,34" << false << ""
                                    << ""
                                    << "3,41"
                                    << "protein"
                                    << "12,34 14,03";
        QTest::newRow("by fat and protein") << "1000" << false << ""
                                            << "3,6"
                                            << "3,2"
                                            << "both"
                                            << "1000,00 1129,41";
        QTest::newRow("both without protein") << "1000" << false << ""
                                              << "3,6"
                                              << ""
                                              << "both"
                                              << "1000,00 none";
        QTest::newRow("litres by kg/m³") << "1000" << true << "1028,50"
                                         << "3,40"
                                         << ""
                                         << "fat"
                                         << "1028,50 1028,50";
        QTest::newRow("litres by degrees") << "1000" << true << "28,50"
                                           << "3,40"
                                           << ""
                                           << "fat"
                                           << "1028,50 1028,50";
        QTest::newRow("litres, no density") << "1000" << true << ""
                                            << "3,40"
                                            << ""
                                            << "fat"
                                            << "1030,00 1030,00";
        QTest::newRow("litres, density not milk's") << "1000" << true << "999,9"
                                                    << "3,40"
                                                    << ""
                                                    << "fat"
                                                    << "1030,00 1030,00";
        QTest::newRow("litres, top of the range") << "10" << true << "1100"
                                                  << "3,40"
                                                  << ""
                                                  << "fat"
                                                  << "11,00 11,00";
        QTest::newRow("no quantity") << "0" << false << ""
                                     << "3,40"
                                     << ""
                                     << "fat"
                                     << "none none";
    }
    void delivery()
    {
        QFETCH(QString, quantity);
        QFETCH(bool, litres);
        QFETCH(QString, density);
        QFETCH(QString, fat);
        QFETCH(QString, protein);
        QFETCH(QString, basis);
        QFETCH(QString, expected);
        Delivery d;
        d.quantity = *Decimal::parse(quantity);
        d.unit = litres ? DeliveryMass::Unit::Litres : DeliveryMass::Unit::Kilograms;
        d.density = dec(density);
        d.fat = dec(fat);
        d.protein = dec(protein);
        CreditedWeight w;
        w.basis = *CreditedWeight::basisFromKey(basis);
        d.workOut(w, RateHistory());
        QCOMPARE(shown(d.kilograms) + QLatin1Char(' ') + shown(d.credited), expected);
        QCOMPARE(shown(d.amount), QStringLiteral("none")); // no rate table in force
    }

    // Band edges belong to the band above; grades move the base price to the kopeck.
    void price_data()
    {
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("fat");
        QTest::addColumn<QString>("snf");
        QTest::addColumn<QString>("grade");
        QTest::addColumn<QString>("expected");

        QTest::newRow("both below") << Bands << "3,39"
                                    << "8,19"
                                    << ""
                                    << "28,00";
        QTest::newRow("SNF on its edge") << Bands << "3,39"
                                         << "8,20"
                                         << ""
                                         << "29,00";
        QTest::newRow("fat on its edge") << Bands << "3,40"
                                         << "8,19"
                                         << ""
                                         << "30,00";
        QTest::newRow("both on their edges") << Bands << "3,40"
                                             << "8,20"
                                             << ""
                                             << "31,50";
        QTest::newRow("bands need SNF") << Bands << "3,40"
                                        << ""
                                        << ""
                                        << "none";
        QTest::newRow("base price") << BasePrice << ""
                                    << ""
                                    << ""
                                    << "34,50";
        QTest::newRow("premium") << BasePrice << ""
                                 << "" << QString::fromUtf8("высший") << "37,95";
        QTest::newRow("deduction, half up") << BasePrice << ""
                                            << "" << QString::fromUtf8("второй") << "32,78";
        QTest::newRow("grade not in the table") << BasePrice << ""
                                                << ""
                                                << "третий"
                                                << "none";
    }
    void price()
    {
        QFETCH(QString, csv);
        QFETCH(QString, fat);
        QFETCH(QString, snf);
        QFETCH(QString, grade);
        QFETCH(QString, expected);
        const RateTable::Parsed p = RateTable::fromCsv(csv);
        QVERIFY2(p.table, qPrintable(p.error));
        QCOMPARE(shown(p.table->price(dec(fat), dec(snf), grade)), expected);
    }

    void badCsv_data()
    {
        QTest::addColumn<QString>("csv");
        QTest::addColumn<int>("line");

        QTest::newRow("no header") << "3,4;;;;30" << 1;
        QTest::newRow("nothing") << "# only a comment\n" << 0;
        QTest::newRow("header alone") << "Жир от;Жир до;СОМО от;СОМО до;Цена\n" << 0;
        QTest::newRow("price not a number")
            << "Жир от;Жир до;СОМО от;СОМО до;Цена\n;;;;тридцать" << 2;
        QTest::newRow("band upside down")
            << "Жир от;Жир до;СОМО от;СОМО до;Цена\n3,5;3,4;;;30" << 2;
        QTest::newRow("bands overlap")
            << "Жир от;Жир до;СОМО от;СОМО до;Цена\n;3,5;;;30\n3,4;;;;31" << 3;
        QTest::newRow("touching bands do not") << Bands << -1;
        QTest::newRow("grade twice") << "Цена за зачётный кг;34\nвысший;10\nвысший;12" << 3;
        QTest::newRow("deduction of all") << "Цена за зачётный кг;34\nвысший;-100" << 2;
    }
    void badCsv()
    {
        QFETCH(QString, csv);
        QFETCH(int, line);
        const RateTable::Parsed p = RateTable::fromCsv(csv);
        QCOMPARE(p.table.has_value(), line < 0);
        if (line >= 0) {
            QCOMPARE(p.errorLine, line);
            QVERIFY(!p.error.isEmpty());
        }
    }

    // The version in force at the delivery's moment; a change at midnight of its day.
    void version_data()
    {
        QTest::addColumn<QString>("at");
        QTest::addColumn<QString>("milkType");
        QTest::addColumn<qint64>("expected");

        QTest::newRow("before any") << "2026-11-30T23:59:59"
                                    << "" << qint64(0);
        QTest::newRow("first day") << "2026-12-01T00:00:00"
                                   << "" << qint64(1);
        QTest::newRow("a second before midnight") << "2026-12-09T23:59:59"
                                                  << "" << qint64(1);
        QTest::newRow("at midnight") << "2026-12-10T00:00:00"
                                     << "" << qint64(3);
        QTest::newRow("its own type first") << "2026-12-10T08:00:00"
                                            << "козье" << qint64(4);
        QTest::newRow("another type takes the common") << "2026-12-10T08:00:00"
                                                       << "овечье" << qint64(3);
    }
    void version()
    {
        QFETCH(QString, at);
        QFETCH(QString, milkType);
        QFETCH(qint64, expected);
        RateHistory h;
        h.add(table(BasePrice, 1, QStringLiteral("2026-12-01T00:00:00")));
        h.add(table(BasePrice, 2, QStringLiteral("2026-12-10T00:00:00")));
        h.add(table(BasePrice, 3, QStringLiteral("2026-12-10T00:00:00"))); // corrects 2
        h.add(table(BasePrice, 4, QStringLiteral("2026-12-05T00:00:00"), QStringLiteral("козье")));
        const RateTable *t = h.inForce(QDateTime::fromString(at, Qt::ISODate), milkType);
        QCOMPARE(t ? t->id : 0, expected);
    }

    void shift_data()
    {
        QTest::addColumn<QString>("at");
        QTest::addColumn<int>("eveningHour");
        QTest::addColumn<QString>("expected");

        QTest::newRow("morning") << "2026-12-09T11:59:59" << 12 << "09.12.2026, утро";
        QTest::newRow("evening from the hour")
            << "2026-12-09T12:00:00" << 12 << "09.12.2026, вечер";
        QTest::newRow("an hour out of range") << "2026-12-09T13:00:00" << 0 << "09.12.2026, вечер";
        QTest::newRow("a late evening hour") << "2026-12-09T17:30:00" << 18 << "09.12.2026, утро";
    }
    void shift()
    {
        QFETCH(QString, at);
        QFETCH(int, eveningHour);
        QFETCH(QString, expected);
        QCOMPARE(ReceptionShift::of(QDateTime::fromString(at, Qt::ISODate), eveningHour).name(),
                 expected);
    }

    // Means weighted by mass, not by deliveries; the sums are of the rounded lines.
    void report()
    {
        RateHistory rates;
        rates.add(table(BasePrice, 1, QStringLiteral("2026-12-01T00:00:00")));
        const auto delivery = [&rates](const char *code, const char *kg, const char *fat) {
            Delivery d;
            d.supplierCode = QString::fromLatin1(code);
            d.at = QDateTime::fromString(QStringLiteral("2026-12-09T07:00:00"), Qt::ISODate);
            d.quantity = *Decimal::parse(QString::fromLatin1(kg));
            d.fat = dec(QString::fromLatin1(fat));
            d.workOut(CreditedWeight(), rates);
            return d;
        };
        const DeliveryReport r = DeliveryReport::of(
            {delivery("10", "100", "3,0"), delivery("9", "1,70", "3,45"),
             delivery("10", "300", "4,0"), delivery("9", "1,70", "")});
        QCOMPARE(r.lines.size(), 2);
        const DeliveryReport::Line &nine = r.lines[0]; // 9 before 10
        QCOMPARE(nine.code, QStringLiteral("9"));
        QCOMPARE(nine.deliveries, 2);
        QCOMPARE(nine.unpriced, 1);
        QCOMPARE(shown(nine.fat), QStringLiteral("3,45")); // the one with a fat value
        QCOMPARE(shown(nine.credited), QStringLiteral("1,73"));
        QCOMPARE(shown(nine.amount), QStringLiteral("59,69")); // 1,73 × 34,50 = 59,685
        const DeliveryReport::Line &ten = r.lines[1];
        QCOMPARE(shown(ten.fat), QStringLiteral("3,75"));
        QCOMPARE(shown(ten.kilograms), QStringLiteral("400,00"));
        QCOMPARE(shown(ten.credited), QStringLiteral("441,18")); // 88,24 + 352,94
        QCOMPARE(shown(r.total.kilograms), QStringLiteral("403,40"));
        QCOMPARE(shown(r.total.amount), QStringLiteral("15280,40"));
        QCOMPARE(r.total.deliveries, 4);
    }
};

QTEST_GUILESS_MAIN(TestDeliveryArithmetic)
#include "tst_deliveryarithmetic.moc"
