#include <QTest>

#include "qc/Calibration.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
using Values = QList<double>;
using R = Calibration::Refusal;

} // namespace

class TestCalibration : public QObject
{
    Q_OBJECT

private slots:
    void fit_data()
    {
        QTest::addColumn<Values>("x"); // the instrument
        QTest::addColumn<Values>("y"); // the reference method
        QTest::addColumn<int>("refusal");
        QTest::addColumn<Values>("fit");    // slope, intercept, r, residual SD
        QTest::addColumn<QString>("shown"); // the instrument's 4.00 corrected, as shown
        const int ok = int(R::None);

        QTest::newRow("exact line")
            << Values{1, 2, 3, 4} << Values{3, 5, 7, 9} << ok << Values{2, 1, 1, 0} << "9,00";
        // By hand: Sxx 10, Syy 6, Sxy 6; residuals -0.8 0.6 1 -0.6 -0.2, their squares 2.4.
        QTest::newRow("five samples")
            << Values{1, 2, 3, 4, 5} << Values{2, 4, 5, 4, 5} << ok
            << Values{0.6, 2.2, 6 / std::sqrt(60.0), std::sqrt(0.8)} << "4,60";
        // Densities far from zero that differ in the second decimal.
        QTest::newRow("density") << Values{1027.10, 1028.35, 1029.60}
                                 << Values{1027.30, 1028.55, 1029.80} << ok << Values{1, 0.2, 1, 0}
                                 << "4,20";
        QTest::newRow("two samples") << Values{1, 2} << Values{1, 2} << int(R::TooFew);
        QTest::newRow("not paired") << Values{1, 2, 3} << Values{1, 2} << int(R::NotPaired);
        QTest::newRow("no number") << Values{1, NaN, 3} << Values{1, 2, 3} << int(R::NotNumber);
        // The mean of three 0.1 is not 0.1 in binary.
        QTest::newRow("instrument all equal")
            << Values{0.1, 0.1, 0.1} << Values{1, 2, 3} << int(R::SameInstrument);
        QTest::newRow("reference all equal")
            << Values{1, 2, 3} << Values{0.1, 0.1, 0.1} << int(R::SameReference);
    }
    void fit()
    {
        QFETCH(Values, x);
        QFETCH(Values, y);
        QFETCH(int, refusal);
        const Calibration c = Calibration::fit(std::span<const double>(x.constData(), x.size()),
                                               std::span<const double>(y.constData(), y.size()));
        QCOMPARE(int(c.refusal()), refusal);
        QCOMPARE(c.refusalText().isEmpty(), c.isValid());
        // The instrument's value is kept; a refused calibration corrects nothing.
        const CorrectedValue v = c.correct(4.0);
        QCOMPARE(v.raw, 4.0);
        QVERIFY(std::isnan(c.correct(NaN).corrected));
        if (refusal != int(R::None)) {
            QVERIFY(std::isnan(v.corrected));
            QCOMPARE(c.correctedText(4.0), QString());
            return;
        }
        QFETCH(Values, fit);
        QFETCH(QString, shown);
        QCOMPARE(c.count(), int(x.size()));
        const Values got{c.slope(), c.intercept(), c.r(), c.residualSd()};
        for (int i = 0; i < 4; ++i)
            QVERIFY2(std::abs(got[i] - fit[i]) <= 1e-9, qPrintable(QString::number(got[i])));
        QVERIFY(std::abs(v.corrected - (fit[0] * 4.0 + fit[1])) <= 1e-9);
        QCOMPARE(c.correctedText(4.0, QLocale(QLocale::Russian)), shown);
    }
};

QTEST_APPLESS_MAIN(TestCalibration)
#include "tst_calibration.moc"
