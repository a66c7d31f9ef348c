#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

#include "archive/TArchiveModel.h"
#include "export/TCsvExport.h"
#include "export/TXlsxExport.h"

namespace {

const QLocale Ru(QLocale::Russian, QLocale::Russia);

QByteArray part(const QString &xlsx, const QString &name)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), xlsx, name});
    return unzip.waitForFinished(30000) && unzip.exitCode() == 0 ? unzip.readAllStandardOutput()
                                                                 : QByteArray("unreadable");
}

} // namespace

// Archive hits go out from their numbers, and the files are the ones their shown texts made.
class TestArchiveExport : public QObject
{
    Q_OBJECT
private slots:
    void numbersWriteWhatTheTextsWrote()
    {
        const double values[] = {3.14159,       -0.001,
                                 1234567.891,   123456789.123,
                                 1.23456789e10, 1e12,
                                 -2.5e-7,       0.0,
                                 -2.675,        std::numeric_limits<double>::infinity()};
        std::vector<TArchiveHit> hits(2);
        for (size_t k = 0; k < std::size(values); ++k)
            hits[0].result.values.push_back(values[k]);
        hits[0].result.values[5].reset();
        hits[0].result.group = -1;
        hits[1].result.values = {7.5};
        hits[1].result.group = 12;
        hits[1].label = QStringLiteral("-5");
        TArchiveModel model;
        model.setLocale(Ru);
        model.setHits(hits);

        const TExportTable byNumbers = model.exportTable();
        QVERIFY(byNumbers.number);
        TExportTable byTexts = byNumbers;
        byTexts.number = nullptr; // read back from the shown texts, as exports did before
        QCOMPARE(TCsvExport::bytes(byNumbers), TCsvExport::bytes(byTexts));

        QTemporaryDir dir;
        QString error;
        QVERIFY2(TXlsxExport::write(byNumbers, dir.filePath("n.xlsx"), &error), qPrintable(error));
        QVERIFY2(TXlsxExport::write(byTexts, dir.filePath("t.xlsx"), &error), qPrintable(error));
        for (const char *name : {"xl/worksheets/sheet1.xml", "xl/styles.xml"})
            QCOMPARE(part(dir.filePath("n.xlsx"), name), part(dir.filePath("t.xlsx"), name));
    }
};

QTEST_MAIN(TestArchiveExport)
#include "tst_archiveexport.moc"
