#include <QTest>

#include <QImage>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

#include "export/ExportStrings.h"
#include "export/TPdfExport.h"
#include "export/TPrintPreview.h"
#include "export/TReport.h"
#include "export/TReportPrint.h"
#include "results/TPrintLayout.h"
#include "table/ShownText.h"
#include "text/Cp1251.h"
#include "text/Strings.h"
#include "windows/TQtPrinterPage.h"

namespace {

const QFont GridFont(QStringLiteral("DejaVu Sans"), 9);

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString &pdf)
{
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    const qsizetype at = info.indexOf(QStringLiteral("Pages:"));
    return at < 0 ? -1 : info.mid(at + 6).section(QLatin1Char('\n'), 0, 0).trimmed().toInt();
}

// The text of each page.
QStringList pdfText(const QString &pdf)
{
    QStringList pages = run(QStringLiteral("pdftotext"),
                            {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                            .split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// A results table of the first family: 17 columns, the label "Проба <row>", values by row;
// a little too wide for the page at the grid's font.
TExportTable tarvoTable(int rows)
{
    TExportTable t;
    t.titles = Str::TarvoTitles;
    t.kinds = registrationKinds(17);
    t.rowCount = rows;
    t.name = QStringLiteral("Новый1.txt");
    t.cell = [](int col, int row) {
        switch (col) {
        case 0:
            return QString::number(row + 1);
        case 1:
            return QStringLiteral("Проба %1").arg(row + 1);
        case 2:
            return QStringLiteral("31.05.2024");
        case 3:
            return QStringLiteral("07:05:00");
        case 4:
            return QStringLiteral("1");
        default:
            return QStringLiteral("%1,%2").arg(col * 100 + 27).arg(row % 100, 2, 10, QChar('0'));
        }
    };
    return t;
}

// Counts the pages the results print begins and keeps the texts it draws, around the
// printer's page.
class TCountingPage : public TPage
{
public:
    explicit TCountingPage(TPage &inner)
        : m_inner(inner)
    {}
    int PageWidth() const override { return m_inner.PageWidth(); }
    int PageHeight() const override { return m_inner.PageHeight(); }
    int TextHeight(const QString &text) const override { return m_inner.TextHeight(text); }
    void TextOut(int x, int y, const QString &text) override
    {
        texts << text;
        m_inner.TextOut(x, y, text);
    }
    void NewPage() override
    {
        ++pages;
        m_inner.NewPage();
    }
    int pages = 1;
    QStringList texts;

private:
    TPage &m_inner;
};

} // namespace

class TestReport : public QObject
{
    Q_OBJECT
private slots:
    // Every row once, in order, page after page, every column, numbered "p из N".
    void pagination_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("no rows: titles on one page") << 0;
        QTest::newRow("one row") << 1;
        QTest::newRow("several pages") << 150;
    }
    void pagination()
    {
        QFETCH(int, rows);
        QTemporaryDir dir;
        const QString pdf = dir.filePath("отчёт.pdf");
        QString error;
        int pages = 0;
        QVERIFY2(TPdfExport::write(tarvoTable(rows), pdf, GridFont, &error, &pages),
                 qPrintable(error));
        QCOMPARE(pdfPages(pdf), pages);
        QVERIFY(rows < 100 ? pages == 1 : pages > 1);
        const QStringList text = pdfText(pdf);
        QCOMPARE(text.size(), pages);
        int next = 1;
        for (int p = 0; p < pages; ++p) {
            QVERIFY(text[p].contains(Str::ReportPage.arg(p + 1).arg(pages)));
            QVERIFY(text[p].contains(QStringLiteral("Новый1.txt")));
            // The last column, which the results print leaves out, and its title.
            QVERIFY(text[p].contains(QStringLiteral("гомогенизации")));
            static const QRegularExpression label(QStringLiteral("Проба (\\d+)"));
            for (auto it = label.globalMatch(text[p]); it.hasNext();)
                QCOMPARE(it.next().captured(1).toInt(), next++);
        }
        QCOMPARE(next, rows + 1);
        if (rows > 0)
            QVERIFY(text.back().contains(QStringLiteral("%1,%2").arg(1627).arg((rows - 1) % 100)));
    }

    // A long title takes several lines in a narrow column instead of running into the next.
    void titlesWrap()
    {
        TExportTable t;
        t.titles = {QStringLiteral("Проба"), QStringLiteral("Очень длинное название столбца"),
                    QStringLiteral("Т.замерзания")};
        t.kinds = {TCellKind::Text, TCellKind::Number, TCellKind::Number};
        t.rowCount = 3;
        t.cell = [](int col, int row) { return col ? QStringLiteral("-0,5%1").arg(row) : "x"; };
        QTemporaryDir dir;
        const QString pdf = dir.filePath("a.pdf");
        QString error;
        QVERIFY2(TPdfExport::write(t, pdf, GridFont, &error), qPrintable(error));
        const QString text = pdfText(pdf).value(0);
        QVERIFY(!text.contains(QStringLiteral("Очень длинное название столбца")));
        for (const char *word : {"Очень", "длинное", "-0,52"})
            QVERIFY2(text.contains(QString::fromUtf8(word)), word);

        QPdfWriter writer(dir.filePath("b.pdf"));
        TReport report(t, GridFont);
        report.layout(writer);
        QVERIFY(report.titleLines(1).size() > 2);
        QCOMPARE(report.titleLines(1).join(QString()).remove(' '),
                 QStringLiteral("Оченьдлинноеназваниестолбца"));
        // A title breaks after its dot rather than inside a word.
        QCOMPARE(report.titleLines(2).value(0), QStringLiteral("Т."));
    }

    // Too wide for one page: parts side by side, each naming its rows; the statistics close
    // the report, and values outside their limits keep their colour.
    void wideTableStatisticsAndColours()
    {
        TExportTable t;
        for (int c = 0; c < 40; ++c)
            t.titles << QStringLiteral("Показатель %1").arg(c);
        t.titles[0] = QStringLiteral("№");
        t.titles[1] = QStringLiteral("Проба");
        t.kinds = registrationKinds(40);
        t.rowCount = 2;
        t.cell = [](int col, int row) {
            return col == 1 ? QStringLiteral("Ферма-%1").arg(row + 7)
                            : QStringLiteral("123456,%1").arg(col);
        };
        t.limitClass = [](int col, int) {
            return col == 5 ? TLimitClass::Above : TLimitClass::Within;
        };
        t.statistics = [] {
            QStringList mean(40);
            mean[1] = QStringLiteral("Среднее");
            mean[39] = QStringLiteral("777,77");
            return std::vector<QStringList>{mean};
        };
        QTemporaryDir dir;
        const QString pdf = dir.filePath("a.pdf");
        QString error;
        int pages = 0;
        QVERIFY2(TPdfExport::write(t, pdf, QFont("DejaVu Sans", 12), &error, &pages),
                 qPrintable(error));
        QVERIFY(pages > 1);
        const QStringList text = pdfText(pdf);
        QCOMPARE(text.size(), pages);
        for (const QString &page : text) {
            QVERIFY(page.contains(QStringLiteral("Ферма-7")));
            QVERIFY(page.contains(QStringLiteral("Среднее")));
        }
        QVERIFY(text.back().contains(QStringLiteral("123456,39")));
        QVERIFY(!text.front().contains(QStringLiteral("123456,39")));
        QVERIFY(text.back().contains(QStringLiteral("777,77")));
        QVERIFY(!text.front().contains(QStringLiteral("777,77")));

        // The value above its limit stands on orange on the first page.
        QProcess::execute(QStringLiteral("pdftoppm"),
                          {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-f"),
                           QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                           QStringLiteral("-png"), pdf, dir.filePath("page")});
        const QImage image(dir.filePath("page-1.png"));
        QVERIFY(!image.isNull());
        bool orange = false;
        for (int y = 0; y < image.height() && !orange; ++y) {
            for (int x = 0; x < image.width() && !orange; ++x)
                orange = image.pixel(x, y) == 0xFFFFB862u;
        }
        QVERIFY(orange);
    }

    // "Печать отчёта…" draws the same report on the chosen printer, only the asked pages.
    void printWithDialog()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath("printed.pdf");
        const TExportTable t = tarvoTable(150);
        QString error;
        bool asked = false;
        QVERIFY(!TReportPrint::exec(nullptr, t, GridFont, &error, [&](QPrinter &) {
            asked = true;
            return false;
        }));
        QVERIFY(asked);
        QVERIFY(error.isEmpty());

        bool landscape = false;
        QVERIFY2(TReportPrint::exec(nullptr, t, GridFont, &error,
                                    [&](QPrinter &printer) {
                                        landscape = printer.pageLayout().orientation()
                                                    == QPageLayout::Landscape;
                                        printer.setOutputFormat(QPrinter::PdfFormat);
                                        printer.setOutputFileName(pdf);
                                        printer.setPrintRange(QPrinter::PageRange);
                                        printer.setFromTo(2, 2);
                                        return true;
                                    }),
                 qPrintable(error));
        QVERIFY(landscape);
        const QStringList text = pdfText(pdf);
        QCOMPARE(text.size(), 1);
        QVERIFY(text[0].contains(QRegularExpression(QStringLiteral("Стр\\. 2 из \\d"))));
    }

    // The preview shows the results print as Ctrl+P makes it: its pages, landscape.
    void previewShowsTheResultsPrint()
    {
        TCountingPage *last = nullptr;
        int pages = 0;
        bool landscape = false;
        const auto draw = [&](TPage &page) {
            TCountingPage counting(page);
            last = &counting;
            landscape = page.PageWidth() > page.PageHeight();
            PrintTable(
                counting,
                [](int col, int row) {
                    return row == 0 ? Str::TarvoTitles.value(col) : QString::number(row);
                },
                120, TarvoPrintColumns(counting.PageWidth()), QStringLiteral("Новый1.txt"));
            pages = counting.pages;
            last = nullptr;
        };
        TPrintPreview preview(GridFont, draw);
        QPrintPreviewDialog *dialog = preview.dialog(nullptr);
        dialog->show();
        auto *widget = dialog->findChild<QPrintPreviewWidget *>();
        QVERIFY(widget);
        widget->updatePreview();
        QTRY_VERIFY(pages > 1);
        QVERIFY(landscape);
        QCOMPARE(widget->pageCount(), pages);
        dialog->close();
    }

    // The preview draws what prints: a results table whose label is a giant cell, printed as
    // Ctrl+P does (the cell's bytes cut as the grid shows them) and previewed from the cell's
    // whole text, puts the same texts onto the printer's page, the label by its beginning.
    void previewDrawsWhatPrints_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("drawn"); // characters, with the "…"
        QTest::newRow("4000 characters, whole") << 4000 << 4000;
        QTest::newRow("5000 characters, cut") << 5000 << 4001;
    }
    void previewDrawsWhatPrints()
    {
        QFETCH(int, length);
        QFETCH(int, drawn);
        const QByteArray label(length, '\xC6'); // "Ж" in Windows-1251
        const auto draw = [&label](QStringList *texts, std::function<QString(QByteArrayView)> text) {
            return [&label, texts, text](TPage &page) {
                TCountingPage counting(page);
                const auto cell = [&](int col, int row) {
                    return row == 0   ? Str::TarvoTitles.value(col)
                           : col == 1 ? text(QByteArrayView(label))
                                      : QString::number(row);
                };
                PrintTable(counting, cell, 3, TarvoPrintColumns(counting.PageWidth()),
                           QStringLiteral("Новый1.txt"));
                *texts = counting.texts;
            };
        };
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("print.pdf")));
        printer.setPageOrientation(QPageLayout::Landscape);
        QStringList printed, previewed;
        QString error;
        QVERIFY2(PrintToPrinter(printer, GridFont,
                                draw(&printed, [](QByteArrayView b) { return ShownText::of(b); }),
                                &error),
                 qPrintable(error));
        TPrintPreview preview(GridFont, draw(&previewed, Cp1251::decode));
        QPrintPreviewDialog *dialog = preview.dialog(nullptr);
        dialog->show();
        dialog->findChild<QPrintPreviewWidget *>()->updatePreview();
        QTRY_VERIFY(!previewed.isEmpty());
        dialog->close();
        QCOMPARE(previewed, printed);
        const QStringList labels = printed.filter(QStringLiteral("ЖЖЖ"));
        QCOMPARE(labels.size(), 2);
        QCOMPARE(labels[0].size(), drawn);
        QCOMPARE(labels[0], ShownText::of(label)); // as the grid shows it
    }
};

QTEST_MAIN(TestReport)
#include "tst_report.moc"
