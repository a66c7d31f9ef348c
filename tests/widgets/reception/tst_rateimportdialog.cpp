#include <QTest>

#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "reception/RateCsvFile.h"
#include "reception/TRateImportDialog.h"
#include "text/Cp1251.h"
#include "text/ReceptionStrings.h"

namespace S = ReceptionStrings;

namespace {

const QString kBands = QStringLiteral("Жир от;Жир до;СОМО от;СОМО до;Цена\n"
                                      ";3,4;;;28,00\n"
                                      "3,4;;;;31,50\n");

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

// Writes the bytes as a file of the folder; "-" writes nothing, "/" names the folder itself.
QString place(const QTemporaryDir &dir, const QByteArray &bytes)
{
    if (bytes == "/")
        return dir.path();
    const QString path = dir.filePath(QStringLiteral("тариф.csv"));
    if (bytes == "-")
        return path;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

} // namespace

class TestRateImportDialog : public QObject
{
    Q_OBJECT

private slots:
    // What the dialog makes of a chosen file, and whether it can be loaded; what is wrong
    // shows in red.
    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("summary"); // "%path" stands for the file's name
        QTest::addColumn<bool>("whole");      // else the summary starts with it
        QTest::addColumn<bool>("loadable");

        QTest::newRow("bands, UTF-8") << utf8(kBands) << S::RateBands.arg(2) << true << true;
        QTest::newRow("bands, UTF-8 with its mark")
            << QByteArray("\xEF\xBB\xBF") + utf8(kBands) << S::RateBands.arg(2) << true << true;
        QTest::newRow("bands, Windows-1251")
            << Cp1251::encode(kBands) << S::RateBands.arg(2) + S::RateCp1251 << true << true;
        QTest::newRow("base price, CR LF")
            << utf8("# декабрь\r\nЦена за зачётный кг;34,50\r\nвысший;+10\r\nпервый;-5,5\r\n")
            << S::RateBase.arg("34,50").arg(2) << true << true;
        QTest::newRow("bands overlap")
            << utf8(kBands + ";3,6;;;30,00\n") << S::RateLineError.arg(4).arg(S::CsvOverlap.arg(2))
            << true << false;
        QTest::newRow("price not a number, Windows-1251")
            << Cp1251::encode(QStringLiteral("Цена за зачётный кг;34,50\nвысший;десять\n"))
            << S::RateLineError.arg(2).arg(S::CsvBadNumber.arg("десять")) + S::RateCp1251 << true
            << false;
        QTest::newRow("no header") << utf8("Жир;Цена\n3,4;28\n")
                                   << S::RateLineError.arg(1).arg(S::CsvNoHeader) << true << false;
        QTest::newRow("header alone")
            << utf8("Жир от;Жир до;СОМО от;СОМО до;Цена\n") << S::CsvNoBands << true << false;
        QTest::newRow("empty file") << QByteArray() << S::CsvNoHeader << true << false;
        QTest::newRow("too large")
            << QByteArray(RateCsvFile::MaxSize + 1, '#')
            << S::RateUnreadable.arg("%path", S::RateTooLarge) << true << false;
        QTest::newRow("no such file")
            << QByteArray("-") << S::RateUnreadable.arg("%path", "") << false << false;
        QTest::newRow("a folder") << QByteArray("/") << S::RateUnreadable.arg("%path", "") << false
                                  << false;
    }

    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, summary);
        QFETCH(bool, whole);
        QFETCH(bool, loadable);

        QTemporaryDir dir;
        const QString path = place(dir, bytes);
        QVERIFY(!path.isEmpty());
        TRateImportDialog dialog;
        dialog.askFileName = [&path] { return path; };
        dialog.chooseFile();
        summary.replace(QLatin1String("%path"), path);

        const QString shown = dialog.summary()->text();
        QVERIFY2(whole ? shown == summary : shown.startsWith(summary), qPrintable(shown));
        QCOMPARE(dialog.fileEdit()->text(), path);
        QCOMPARE(dialog.loadButton()->isEnabled(), loadable);
        QCOMPARE(dialog.table().has_value(), loadable);
        QCOMPARE(dialog.summary()->styleSheet().contains(QLatin1String("#c00000")), !loadable);
    }

    // What reaches the archive: the table as read, from the moment and for the milk type the
    // fields say, with the file's text; a refusal is said and the table can be tried again.
    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("validFrom");
        QTest::addColumn<QString>("milkType"); // as typed
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("kept"); // the milk type kept

        QTest::newRow("common table") << utf8(kBands) << "2027-01-01T00:00:00"
                                      << ""
                                      << ""
                                      << "";
        QTest::newRow("for one type, Windows-1251")
            << Cp1251::encode(kBands) << "2026-12-15T06:30:00"
            << " козье "
            << ""
            << "козье";
        QTest::newRow("archive refuses") << utf8(kBands) << "2027-01-01T00:00:00"
                                         << "коровье"
                                         << "база занята"
                                         << "коровье";
    }

    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, validFrom);
        QFETCH(QString, milkType);
        QFETCH(QString, refusal);
        QFETCH(QString, kept);

        QTemporaryDir dir;
        const QString path = place(dir, bytes);
        TRateImportDialog dialog;
        QList<RateTable> saved;
        QString savedText;
        dialog.save = [&](const RateTable &table, const QString &text) {
            saved << table;
            savedText = text;
            return refusal;
        };
        const QDateTime from = QDateTime::fromString(validFrom, Qt::ISODate);
        dialog.openFile(path);
        dialog.validFromEdit()->setDateTime(from);
        dialog.milkTypeEdit()->setText(milkType);
        dialog.loadButton()->click();

        QCOMPARE(saved.size(), 1);
        QCOMPARE(saved[0].validFrom, from);
        QCOMPARE(saved[0].milkType, kept);
        QCOMPARE(saved[0].kind, RateTable::Kind::Bands);
        QCOMPARE(saved[0].bands.size(), 2);
        QCOMPARE(saved[0].note, QStringLiteral("тариф.csv"));
        QCOMPARE(savedText, kBands);
        QCOMPARE(dialog.result(), refusal.isEmpty() ? QDialog::Accepted : QDialog::Rejected);
        QCOMPARE(dialog.summary()->text(),
                 refusal.isEmpty()
                     ? S::RateBands.arg(2) + (bytes == utf8(kBands) ? QString() : S::RateCp1251)
                     : S::RateNotSaved.arg(refusal));
        QCOMPARE(dialog.loadButton()->isEnabled(), true);
    }
};

QTEST_MAIN(TestRateImportDialog)
#include "tst_rateimportdialog.moc"
