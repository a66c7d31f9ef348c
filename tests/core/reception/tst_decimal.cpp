#include <QTest>

#include "reception/Decimal.h"

class TestDecimal : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown"); // to 6 places with a point; empty: refused

        QTest::newRow("comma") << "3,45"
                               << "3.450000";
        QTest::newRow("point") << "3.45"
                               << "3.450000";
        QTest::newRow("grouped, no-break space")
            << QString::fromUtf8("1\u00a0234,5") << "1234.500000";
        QTest::newRow("minus sign") << QString::fromUtf8("\u22120,5") << "-0.500000";
        QTest::newRow("no whole part") << ",5"
                                       << "0.500000";
        QTest::newRow("six places") << "0,000001"
                                    << "0.000001";
        QTest::newRow("seven places") << "0,0000001"
                                      << "";
        QTest::newRow("two separators") << "3,4,5"
                                        << "";
        QTest::newRow("letters") << "3,4a"
                                 << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("sign alone") << "-"
                                    << "";
        QTest::newRow("trailing gap") << "12 "
                                      << "12.000000";
        QTest::newRow("gap inside the decimals") << "1,2 3"
                                                 << "";
        QTest::newRow("out of range") << "99999999999999"
                                      << "";
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        const auto d = Decimal::parse(text);
        QCOMPARE(d ? d->toString(6, QLatin1Char('.')) : QString(), shown);
    }

    // Each rounds once, half away from zero, where binary arithmetic lands a hair below.
    void arithmetic_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("c");
        QTest::addColumn<QString>("expected"); // to 2 places

        QTest::newRow("kopeck half up") << "mul"
                                        << "10,01"
                                        << "32,50"
                                        << ""
                                        << "325,33";
        QTest::newRow("a negative half away from zero") << "mul"
                                                        << "-10,01"
                                                        << "32,50"
                                                        << ""
                                                        << "-325,33";
        QTest::newRow("just below a half") << "mul"
                                           << "10,0099"
                                           << "32,50"
                                           << ""
                                           << "325,32";
        QTest::newRow("credited half up") << "mulDiv"
                                          << "1,70"
                                          << "3,45"
                                          << "3,4"
                                          << "1,73";
        QTest::newRow("thirds") << "mulDiv"
                                << "1"
                                << "2"
                                << "3"
                                << "0,67";
        QTest::newRow("negative divisor") << "mulDiv"
                                          << "1"
                                          << "2"
                                          << "-3"
                                          << "-0,67";
        QTest::newRow("by zero") << "mulDiv"
                                 << "1"
                                 << "2"
                                 << "0"
                                 << "none";
        QTest::newRow("a tonne of milk by 3,6 % fat") << "mulDiv"
                                                      << "1000"
                                                      << "3,6"
                                                      << "3,4"
                                                      << "1058,82";
        QTest::newRow("round 2,675") << "round"
                                     << "2,675"
                                     << ""
                                     << ""
                                     << "2,68";
        QTest::newRow("round -2,675") << "round"
                                      << "-2,675"
                                      << ""
                                      << ""
                                      << "-2,68";
    }
    void arithmetic()
    {
        QFETCH(QString, op);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, c);
        QFETCH(QString, expected);
        const Decimal x = *Decimal::parse(a);
        std::optional<Decimal> r;
        if (op == QLatin1String("mul"))
            r = Decimal::mul(x, *Decimal::parse(b), 2);
        else if (op == QLatin1String("mulDiv"))
            r = Decimal::mulDiv(x, *Decimal::parse(b), *Decimal::parse(c), 2);
        else
            r = x.rounded(2);
        QCOMPARE(r ? r->toString(2) : QStringLiteral("none"), expected);
    }

    void fromShown_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");

        QTest::newRow("as the table shows it") << 3.4449999 << "3,44";
        // 2.675 is 2.67499999… in binary, and the table shows 2,67.
        QTest::newRow("binary just below the half") << 2.675 << "2,67";
        QTest::newRow("negative") << -0.125 << "-0,13";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "none";
        QTest::newRow("scientific in the table") << 1e12 << "none";
    }
    void fromShown()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        const auto d = Decimal::fromShown(value);
        QCOMPARE(d ? d->toString(2) : QStringLiteral("none"), expected);
    }
};

QTEST_GUILESS_MAIN(TestDecimal)
#include "tst_decimal.moc"
