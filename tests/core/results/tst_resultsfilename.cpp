#include <QTest>

#include <QTemporaryDir>

#include "results/ResultsFileName.h"

class TestResultsFileName : public QObject
{
    Q_OBJECT
private slots:
    void newNamesStayOutOfDeviceFolders()
    {
        QTemporaryDir dir;
        QCOMPARE(ResultsFileName::folderForNew(dir.filePath("a.txt")), dir.path() + "/");
        QCOMPARE(ResultsFileName::folderForNew("/dev/zero"), QString());
        QCOMPARE(ResultsFileName::folderForNew("/dev/null"), QString());
        QCOMPARE(ResultsFileName::folderForNew(dir.path()), QString());
        QCOMPARE(ResultsFileName::folderForNew("Новый.txt"), QString());
    }
};

QTEST_GUILESS_MAIN(TestResultsFileName)
#include "tst_resultsfilename.moc"
