#include <QTest>

#include <QFile>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "results/TPrintLayout.h"
#include "text/Strings.h"
#include "windows/TQtPrinterPage.h"

namespace {

QFont GridFont()
{
    return QFont(QStringLiteral("DejaVu Sans"), 8);
}

QString Cell(int col, int row)
{
    if (row == 0)
        return col < Str::TarvoTitles.size() ? Str::TarvoTitles[col] : QString();
    return QStringLiteral("r%1c%2").arg(row).arg(col);
}

} // namespace

class TestQtPrinterPage : public QObject
{
    Q_OBJECT
private slots:
    void printsATableIntoAPdf()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString pdf = dir.filePath(QStringLiteral("table.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);

        int pageHeight = 0;
        int lineHeight = 0;
        const int rowCount = 150;
        QString error;
        const bool printed = PrintToPrinter(
            printer, GridFont(),
            [&](TPage &page) {
                pageHeight = page.PageHeight();
                lineHeight = page.TextHeight(QStringLiteral("X"));
                PrintTable(page, Cell, rowCount, TarvoPrintColumns(page.PageWidth()),
                           QStringLiteral("/tmp/lab/Март.txt"));
            },
            &error);
        QVERIFY2(printed, qPrintable(error));
        // 8 points at 1200 dots an inch are about 133 dots; screen pixels would be about 11.
        QVERIFY(lineHeight > 100);
        QVERIFY(pageHeight > 20 * lineHeight);

        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.size() > 1000);
        QCOMPARE(file.read(5), QByteArray("%PDF-"));
        file.close();

        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed: the text of the pages is not checked");
        QProcess process;
        process.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(process.waitForFinished(30000));
        const QString text = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY(text.contains(QStringLiteral("Стр. 1")));
        QVERIFY(text.contains(QStringLiteral("Стр. 2")));
        QVERIFY(text.contains(QStringLiteral("Март.txt")));
        QVERIFY(text.contains(QStringLiteral("Температура")));
        QVERIFY(text.contains(Cell(15, rowCount - 1)));
        QVERIFY(!text.contains(QStringLiteral("c16"))); // the last column does not fit the paper
        // One page per form feed; the layout's own count for the same page size.
        const int lines = pageHeight / lineHeight;
        const int perPage = lines - 4; // the last line of a page never fits one text height
        const int pages = (rowCount - 1 + perPage - 1) / perPage;
        QCOMPARE(static_cast<int>(text.count(QLatin1Char('\f'))), pages);
    }

    void pixelFontsAreScaledForThePrinter()
    {
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("pixels.pdf")));
        QFont font = GridFont();
        font.setPixelSize(11);
        int lineHeight = 0;
        QVERIFY(PrintToPrinter(
            printer, font, [&](TPage &page) { lineHeight = page.TextHeight(QString()); }, nullptr));
        QVERIFY(lineHeight > 100);
    }

    void failedJobIsReported()
    {
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("no/such/folder/out.pdf")));
        bool drawn = false;
        QString error;
        QVERIFY(!PrintToPrinter(
            printer, GridFont(), [&](TPage &) { drawn = true; }, &error));
        QVERIFY(!drawn);
        QCOMPARE(error, Str::PrintFailed);
    }

    void noDefaultPrinter()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("a default printer is installed; this test must not print on it");
        bool drawn = false;
        QString error;
        QVERIFY(!PrintToDefaultPrinter(
            GridFont(), [&](TPage &) { drawn = true; }, &error));
        QVERIFY(!drawn);
        QCOMPARE(error, Str::NoPrinter);
    }
};

QTEST_MAIN(TestQtPrinterPage)
#include "tst_qtprinterpage.moc"
