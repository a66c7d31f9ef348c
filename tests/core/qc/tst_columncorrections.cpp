#include <QTest>

#include "qc/ColumnCorrections.h"

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();
} // namespace

class TestColumnCorrections : public QObject
{
    Q_OBJECT
private slots:
    // corrected = slope * raw + intercept, rounded as the table shows values; the instrument's
    // value stays beside it. Column 4 has a calibration in force (id 7), no other.
    void apply_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<double>("slope");
        QTest::addColumn<double>("intercept");
        QTest::addColumn<double>("raw");
        QTest::addColumn<QString>("shown"); // empty: no correction
        QTest::addColumn<double>("corrected");
        QTest::newRow("plain") << 4 << 1.02 << -0.05 << 3.47 << "3,49" << 3.49;
        // 1.005 * 2 is 2.00999... in binary; the table shows 2,01.
        QTest::newRow("half rounds away from zero") << 4 << 1.005 << 0.0 << 2.0 << "2,01" << 2.01;
        QTest::newRow("rounds to zero, no sign") << 4 << 1.0 << -0.504 << 0.5 << "0,00" << 0.0;
        QTest::newRow("negative freezing point")
            << 4 << 0.98 << -0.011 << -0.52 << "-0,52" << -0.52;
        QTest::newRow("density") << 4 << 1.0 << 0.2 << 1027.35 << "1027,55" << 1027.55;
        QTest::newRow("other column") << 5 << 1.02 << -0.05 << 3.47 << "" << 0.0;
        QTest::newRow("no value") << 4 << 1.02 << -0.05 << NaN << "" << 0.0;
        QTest::newRow("out of range") << 4 << 1e308 << 0.0 << 1e10 << "" << 0.0;
        QTest::newRow("infinite raw") << 4 << 1.0 << 0.0 << Inf << "" << 0.0;
    }
    void apply()
    {
        QFETCH(int, column);
        QFETCH(double, slope);
        QFETCH(double, intercept);
        QFETCH(double, raw);
        QFETCH(QString, shown);
        QFETCH(double, corrected);
        StoredCalibration c;
        c.id = 7;
        c.column = 4;
        c.slope = slope;
        c.intercept = intercept;
        const ColumnCorrections corrections({c});
        const QLocale ru(QLocale::Russian);
        const std::optional<AppliedCorrection> got = corrections.apply(column, raw, ru);
        QCOMPARE(got.has_value(), !shown.isEmpty());
        if (!got)
            return;
        QCOMPARE(got->correctedText, shown);
        QCOMPARE(got->corrected, corrected);
        QCOMPARE(got->raw, raw);
        QCOMPARE(got->rawText, QLocale(QLocale::C).toString(raw, 'f', 2).replace(u'.', u','));
        QCOMPARE(got->calibration, qint64(7));
    }
};

QTEST_APPLESS_MAIN(TestColumnCorrections)
#include "tst_columncorrections.moc"
