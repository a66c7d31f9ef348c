#include <QTest>

#include "results/ResultsFileCheck.h"

class TestResultsFileCheck : public QObject
{
    Q_OBJECT
private slots:
    void tablesAndStrangers_data();
    void tablesAndStrangers();
};

void TestResultsFileCheck::tablesAndStrangers_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("table");
    const QByteArray tabs14(14, '\t');
    QTest::newRow("empty file") << QByteArray() << true;
    QTest::newRow("open row only") << QByteArray(15, '\t') + "\r\n" << true;
    QTest::newRow("result and open row") << "\xcf\xf0\xee\xe1\xe0\t08.12.2026\t10:15:00\t7"
                                                + tabs14.left(12) + "\r\n\t" + tabs14 + "\r\n"
                                         << true;
    QTest::newRow("US date, LF only") << QByteArray("a\t12/8/2026\t10:15 AM\t1\n") << true;
    QTest::newRow("ISO date") << QByteArray("x\t2026-12-08\t10:15\n") << true;
    QTest::newRow("NUL byte") << QByteArray("a\t\t\r\n\0", 6) << false;
    QTest::newRow("binary") << QByteArray("\x7f"
                                          "ELF\x02\x01\x01\0\0\0",
                                          10)
                            << false;
    QTest::newRow("prose") << QByteArray("Dear reader,\nthis is a letter.\n") << false;
    QTest::newRow("another program's TSV") << QByteArray("name\tprice\nmilk\t1.20\n") << false;
    QTest::newRow("CSV") << QByteArray("a;08.12.2026;10:00\n") << false;
}

void TestResultsFileCheck::tablesAndStrangers()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, table);
    QCOMPARE(ResultsFileCheck::looksLikeTable(bytes), table);
}

QTEST_GUILESS_MAIN(TestResultsFileCheck)
#include "tst_resultsfilecheck.moc"
