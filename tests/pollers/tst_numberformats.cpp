#include <QTest>

#include "pollers/NumberFormats.h"

class TstNumberFormats : public QObject
{
    Q_OBJECT
private slots:
    void fp_data()
    {
        QTest::addColumn<uint>("word");
        QTest::addColumn<double>("value");
        QTest::newRow("zero") << 0x00000000u << 0.0;
        QTest::newRow("sign alone") << 0x00800000u << 0.0;
        QTest::newRow("one") << 0x00400000u << 1.0;
        QTest::newRow("minus one") << 0x00C00000u << -1.0;
        QTest::newRow("two") << 0x01400000u << 2.0;
        QTest::newRow("half") << 0xFF400000u << 0.5;
        QTest::newRow("three") << 0x01600000u << 3.0;
        QTest::newRow("E=127 is zero") << 0x7F400000u << 0.0;
    }
    void fp()
    {
        QFETCH(uint, word);
        QFETCH(double, value);
        QCOMPARE(FpToReal(word), value);
    }
};

QTEST_APPLESS_MAIN(TstNumberFormats)
#include "tst_numberformats.moc"
