#include <QTest>

#include <cmath>
#include <limits>

#include "results/LocaleFormats.h"
#include "table/ShownNumber.h"

namespace {

const QLocale Ru(QLocale::Russian, QLocale::Russia);
constexpr double None = std::numeric_limits<double>::quiet_NaN();

} // namespace

// The statistics (typed) and the exports (written) read one way; the rows are where the two
// readers they replace differed, each reading kept as the user saw it.
class TestShownNumber : public QObject
{
    Q_OBJECT
private slots:
    void readings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("russian");
        QTest::addColumn<double>("typed");   // NaN: no number
        QTest::addColumn<double>("written"); // NaN: no number
        QTest::addColumn<int>("decimals");

        QTest::newRow("as shown") << "-0,52" << true << -0.52 << -0.52 << 2;
        QTest::newRow("negative zero is zero") << "-0,00" << true << 0.0 << 0.0 << 2;
        QTest::newRow("scientific")
            << "1,23456789E10" << true << 1.23456789e10 << 1.23456789e10 << 8;
        QTest::newRow("comma in a point locale") << "3,45" << false << None << 3.45 << 2;
        QTest::newRow("point in a comma locale") << "1027.5" << true << 1027.5 << 1027.5 << 1;
        QTest::newRow("blanks") << " 5 " << true << 5.0 << None << 0;
        QTest::newRow("plus") << "+5" << true << 5.0 << None << 0;
        QTest::newRow("small e") << "1e5" << true << 1e5 << None << 0;
        QTest::newRow("exponent plus") << "1E+5" << true << 1e5 << None << 0;
        QTest::newRow("exponent minus") << "1E-5" << true << 1e-5 << 1e-5 << 0;
        QTest::newRow("nothing after the separator") << "5," << true << 5.0 << None << 0;
        QTest::newRow("nothing before it") << ",5" << true << 0.5 << None << 1;
        QTest::newRow("separator, then exponent") << "5,E2" << true << 500.0 << 500.0 << 0;
        QTest::newRow("more digits than exact")
            << "12345678901234567,5" << true << 12345678901234567.5 << 12345678901234567.5 << 1;
        QTest::newRow("64 characters") << "1" + QString(63, u'0') << true << 1e63 << None << 0;
        QTest::newRow("NAN") << "NAN" << true << None << None << 0;
        QTest::newRow("INF") << "-INF" << true << None << None << 0;
        QTest::newRow("grouped") << "1 027,5" << true << None << None << 0;
        QTest::newRow("two separators") << "1,2,3" << true << None << None << 0;
        QTest::newRow("bare exponent") << "1E-" << true << None << None << 0;
        QTest::newRow("out of range") << "1E400" << true << None << None << 0;
        QTest::newRow("empty") << "" << true << None << None << 0;
    }
    void readings()
    {
        QFETCH(QString, text);
        QFETCH(bool, russian);
        QFETCH(double, typed);
        QFETCH(double, written);
        QFETCH(int, decimals);
        const ShownNumber readers[] = {ShownNumber::typed(russian ? Ru : QLocale::c()),
                                       ShownNumber::written()};
        const double expected[] = {typed, written};
        for (int k = 0; k < 2; ++k) {
            ShownNumber::Value v;
            // Bytes in a row's line stop at the TAB, number or not.
            const QByteArray line = "x\t" + text.toLatin1() + "\ty";
            const char *p = line.constData() + 2;
            const bool scanned = readers[k].scan(p, line.constData() + line.size(), &v);
            QCOMPARE(*p, '\t');
            QCOMPARE(readers[k].read(QStringView(text), &v), !std::isnan(expected[k]));
            QCOMPARE(scanned, !std::isnan(expected[k]));
            if (scanned) {
                QCOMPARE(v.value, expected[k]);
                QVERIFY(!std::signbit(v.value) || v.value != 0);
                QCOMPARE(v.decimals, decimals);
                QCOMPARE(v.scientific, text.contains(u'E') || text.contains(u'e'));
            }
        }
    }

    // A number handed on as a number is the one its shown text reads as.
    void shownValueIsTheShownText()
    {
        const ShownNumber reader = ShownNumber::written();
        for (double v :
             {0.0, -0.001, 3.14159, -2.675, 1234567.891, 123456789.123, 999999999.996,
              1.23456789e10, 1e12, -2.5e-7, 1e300, None, std::numeric_limits<double>::infinity()}) {
            const QString text = FormatValue(v, Ru);
            ShownNumber::Value read;
            const bool number = reader.read(QStringView(text), &read);
            const std::optional<ShownNumber::Value> given = shownValue(v);
            QCOMPARE(given.has_value(), number);
            if (!number)
                continue;
            QCOMPARE(given->value, read.value);
            QCOMPARE(std::signbit(given->value), std::signbit(read.value));
            QCOMPARE(given->decimals, read.decimals);
            QCOMPARE(given->scientific, read.scientific);
        }
    }
};

QTEST_GUILESS_MAIN(TestShownNumber)
#include "tst_shownnumber.moc"
