// The simulator's control milk: which results are controls, what they read as the drift runs,
// and that the samples between them are left as generated.
#include <QTest>

#include <vector>

#include "sim/ControlMilk.h"

using Values = std::vector<double>;
Q_DECLARE_METATYPE(Values)

class TestControlMilk : public QObject
{
    Q_OBJECT

private slots:
    void sequence_data()
    {
        QTest::addColumn<int>("every");
        QTest::addColumn<Values>("control");
        QTest::addColumn<Values>("drift");
        // What each of six results reads of its first two values; the sample is {9, 9, 9}.
        QTest::addColumn<std::vector<Values>>("expected");

        const Values s{9, 9};
        QTest::newRow("every third, no drift")
            << 3 << Values{3.5, 8.6} << Values{}
            << std::vector<Values>{s, s, {3.5, 8.6}, s, s, {3.5, 8.6}};
        QTest::newRow("the first control reads the values, later ones drift")
            << 2 << Values{3.5, 8.6} << Values{0.02, -0.1}
            << std::vector<Values>{s, {3.5, 8.6}, s, {3.52, 8.5}, s, {3.54, 8.4}};
        QTest::newRow("a drift shorter than the values moves only those given")
            << 1 << Values{3.5, 8.6} << Values{0.5}
            << std::vector<Values>{{3.5, 8.6}, {4.0, 8.6}, {4.5, 8.6},
                                   {5.0, 8.6}, {5.5, 8.6}, {6.0, 8.6}};
        QTest::newRow("rounded to hundredths as the instrument shows them")
            << 1 << Values{3.5} << Values{0.004}
            << std::vector<Values>{{3.5, 9}, {3.5, 9}, {3.51, 9}, {3.51, 9}, {3.52, 9}, {3.52, 9}};
        QTest::newRow("no values: off")
            << 1 << Values{} << Values{0.5} << std::vector<Values>(6, s);
        QTest::newRow("a count of 0: off")
            << 0 << Values{3.5} << Values{} << std::vector<Values>(6, s);
    }
    void sequence()
    {
        QFETCH(int, every);
        QFETCH(Values, control);
        QFETCH(Values, drift);
        QFETCH(std::vector<Values>, expected);
        ControlMilk milk(every, control, drift);
        for (std::size_t k = 0; k < expected.size(); ++k) {
            const Values got = milk.next({9, 9, 9});
            QCOMPARE(got.size(), std::size_t(3));
            QCOMPARE(got[2], 9.0); // values past the control's stay as generated
            for (std::size_t i = 0; i < 2; ++i)
                QVERIFY2(qAbs(got[i] - expected[k][i]) < 1e-9,
                         qPrintable(
                             QStringLiteral("result %1 value %2: %3").arg(k).arg(i).arg(got[i])));
        }
    }
};

QTEST_APPLESS_MAIN(TestControlMilk)
#include "tst_controlmilk.moc"
