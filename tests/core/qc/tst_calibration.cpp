#include <QTest>

#include "qc/Calibration.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
const QLocale Ru(QLocale::Russian, QLocale::Russia);

Calibration fitOf(const QList<double> &x, const QList<double> &y)
{
    return Calibration::fit(std::span<const double>(x.constData(), x.size()),
                            std::span<const double>(y.constData(), y.size()));
}

bool near(double a, double b)
{
    return std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(b));
}

} // namespace

class TestCalibration : public QObject
{
    Q_OBJECT

private slots:
    void fit_data()
    {
        QTest::addColumn<QList<double>>("x"); // the instrument
        QTest::addColumn<QList<double>>("y"); // the reference method
        QTest::addColumn<double>("slope");
        QTest::addColumn<double>("intercept");
        QTest::addColumn<double>("r");
        QTest::addColumn<double>("residualSd");
        // A sample the instrument read as 4.00, corrected and shown as the table shows it.
        QTest::addColumn<QString>("shown");

        QTest::newRow("exact line") << QList<double>{1, 2, 3, 4} << QList<double>{3, 5, 7, 9} << 2.0
                                    << 1.0 << 1.0 << 0.0 << "9,00";
        // By hand: Sxx 10, Syy 6, Sxy 6; residuals -0.8 0.6 1 -0.6 -0.2, their squares 2.4.
        QTest::newRow("five samples")
            << QList<double>{1, 2, 3, 4, 5} << QList<double>{2, 4, 5, 4, 5} << 0.6 << 2.2
            << 6 / std::sqrt(60.0) << std::sqrt(2.4 / 3) << "4,60";
        QTest::newRow("falling") << QList<double>{1, 2, 3} << QList<double>{3, 2, 1} << -1.0 << 4.0
                                 << -1.0 << 0.0 << "0,00";
        // Fat read 0.05 % low across the range, in the instrument's decimals.
        QTest::newRow("fat offset")
            << QList<double>{3.10, 3.52, 4.01, 4.75} << QList<double>{3.15, 3.57, 4.06, 4.80} << 1.0
            << 0.05 << 1.0 << 0.0 << "4,05";
        // Densities far from zero that differ in the second decimal.
        QTest::newRow("density") << QList<double>{1027.10, 1028.35, 1029.60}
                                 << QList<double>{1027.30, 1028.55, 1029.80} << 1.0 << 0.2 << 1.0
                                 << 0.0 << "4,20";
    }
    void fit()
    {
        QFETCH(QList<double>, x);
        QFETCH(QList<double>, y);
        QFETCH(double, slope);
        QFETCH(double, intercept);
        QFETCH(double, r);
        QFETCH(double, residualSd);
        QFETCH(QString, shown);
        const Calibration c = fitOf(x, y);
        QVERIFY(c.isValid());
        QVERIFY(c.refusalText().isEmpty());
        QCOMPARE(c.count(), int(x.size()));
        QVERIFY2(near(c.slope(), slope), qPrintable(QString::number(c.slope(), 'g', 17)));
        QVERIFY2(near(c.intercept(), intercept),
                 qPrintable(QString::number(c.intercept(), 'g', 17)));
        QVERIFY2(near(c.r(), r), qPrintable(QString::number(c.r(), 'g', 17)));
        QVERIFY2(std::abs(c.residualSd() - residualSd) <= 1e-9,
                 qPrintable(QString::number(c.residualSd(), 'g', 17)));
        const CorrectedValue v = c.correct(4.0);
        QCOMPARE(v.raw, 4.0);
        QVERIFY(near(v.corrected, slope * 4.0 + intercept));
        QCOMPARE(c.correctedText(4.0, Ru), shown);
    }

    void refused_data()
    {
        QTest::addColumn<QList<double>>("x");
        QTest::addColumn<QList<double>>("y");
        QTest::addColumn<int>("refusal");
        using R = Calibration::Refusal;
        QTest::newRow("nothing") << QList<double>{} << QList<double>{} << int(R::TooFew);
        QTest::newRow("two samples")
            << QList<double>{1, 2} << QList<double>{1, 2} << int(R::TooFew);
        QTest::newRow("not paired")
            << QList<double>{1, 2, 3} << QList<double>{1, 2} << int(R::NotPaired);
        QTest::newRow("no number")
            << QList<double>{1, NaN, 3} << QList<double>{1, 2, 3} << int(R::NotNumber);
        QTest::newRow("infinite reference")
            << QList<double>{1, 2, 3} << QList<double>{1, qInf(), 3} << int(R::NotNumber);
        // 0.1 three times has a mean that is not 0.1 in binary.
        QTest::newRow("instrument values equal")
            << QList<double>{0.1, 0.1, 0.1} << QList<double>{1, 2, 3} << int(R::SameInstrument);
        QTest::newRow("reference values equal")
            << QList<double>{1, 2, 3} << QList<double>{0.1, 0.1, 0.1} << int(R::SameReference);
    }
    void refused()
    {
        QFETCH(QList<double>, x);
        QFETCH(QList<double>, y);
        QFETCH(int, refusal);
        const Calibration c = fitOf(x, y);
        QVERIFY(!c.isValid());
        QCOMPARE(int(c.refusal()), refusal);
        QVERIFY(!c.refusalText().isEmpty());
        // Nothing is corrected by a refused calibration; the instrument's value stays.
        const CorrectedValue v = c.correct(3.5);
        QCOMPARE(v.raw, 3.5);
        QVERIFY(std::isnan(v.corrected));
        QCOMPARE(c.correctedText(3.5, Ru), QString());
    }

    void noNumberToCorrect()
    {
        const Calibration c = fitOf({1, 2, 3}, {2, 4, 6});
        QVERIFY(std::isnan(c.correct(NaN).corrected));
        QVERIFY(std::isnan(c.correct(qInf()).corrected));
        QCOMPARE(c.correctedText(NaN, Ru), QString());
    }
};

QTEST_APPLESS_MAIN(TestCalibration)
#include "tst_calibration.moc"
