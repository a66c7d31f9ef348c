#include <QTest>

#include <QTemporaryDir>

#include "results/ResultsFileName.h"

class TstResultsFileName : public QObject
{
    Q_OBJECT
private slots:
    void txtAdded_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("plain") << "/d/Смена"
                               << "/d/Смена.txt";
        QTest::newRow("dots of its own") << "/d/Смена 09.12.2026"
                                         << "/d/Смена 09.12.2026.txt";
        QTest::newRow("already .txt") << "/d/a.txt"
                                      << "/d/a.txt";
        QTest::newRow("upper case") << "/d/A.TXT"
                                    << "/d/A.TXT";
        QTest::newRow("another extension") << "/d/a.csv"
                                           << "/d/a.csv.txt";
    }
    void txtAdded()
    {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QCOMPARE(ResultsFileName::withTxt(typed), saved);
    }

    void newNamesStayOutOfDeviceFolders()
    {
        QTemporaryDir dir;
        QCOMPARE(ResultsFileName::folderForNew(dir.filePath("a.txt")), dir.path() + "/");
        QCOMPARE(ResultsFileName::folderForNew("/dev/zero"), QString());
        QCOMPARE(ResultsFileName::folderForNew("/dev/null"), QString());
        QCOMPARE(ResultsFileName::folderForNew(dir.path()), QString());
        QCOMPARE(ResultsFileName::folderForNew("Новый.txt"), QString());
    }

    void familyByShape_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("columns");
        const QByteArray tarvo = "a\t01.02.2026" + QByteArray(14, '\t') + "\r\n";
        const QByteArray mirel = "a\t01.02.2026" + QByteArray(29, '\t') + "\r\n";
        QTest::newRow("Tarvo") << tarvo + tarvo + QByteArray(15, '\t') + "\r\n" << 17;
        QTest::newRow("Mirel") << mirel + QByteArray(30, '\t') + "\r\n" << 32;
        QTest::newRow("lines disagree") << tarvo + mirel << 0;
    }
    void familyByShape()
    {
        QFETCH(QByteArray, head);
        QFETCH(int, columns);
        QCOMPARE(ResultsFileName::columnsOf(head), columns);
    }
};

QTEST_GUILESS_MAIN(TstResultsFileName)
#include "tst_resultsfilename.moc"
