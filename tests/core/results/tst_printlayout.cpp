#include <QTest>

#include <vector>

#include "results/TPrintLayout.h"
#include "text/Strings.h"

using Ints = std::vector<int>;
Q_DECLARE_METATYPE(Ints)

namespace {

struct TTextOp
{
    int page = 0;
    int x = 0;
    int y = 0;
    QString text;
};

// Keeps what was drawn, page by page. "X" measures xHeight; every other text rowHeight.
class TRecordingPage : public TPage
{
public:
    TRecordingPage(int width, int height, int xHeight, int rowHeight)
        : m_width(width)
        , m_height(height)
        , m_xHeight(xHeight)
        , m_rowHeight(rowHeight)
    {}
    int PageWidth() const override { return m_width; }
    int PageHeight() const override { return m_height; }
    int TextHeight(const QString &text) const override
    {
        return text == QLatin1String("X") ? m_xHeight : m_rowHeight;
    }
    void TextOut(int x, int y, const QString &text) override { ops.push_back({pages, x, y, text}); }
    void NewPage() override { ++pages; }

    std::vector<TTextOp> ops;
    int pages = 0; // pages begun after the first

private:
    int m_width = 0;
    int m_height = 0;
    int m_xHeight = 0;
    int m_rowHeight = 0;
};

QString Cell(int col, int row)
{
    return row == 0 ? QStringLiteral("T%1").arg(col) : QStringLiteral("%1:%2").arg(row).arg(col);
}

QString Header(int pageNo, const QString &name)
{
    return Str::PageLabel + QString::number(pageNo) + QString(20, QLatin1Char(' ')) + name;
}

const std::vector<TPrintColumn> TwoColumns = {{0, 100}, {3, 700}};

} // namespace

class TestPrintLayout : public QObject
{
    Q_OBJECT
private slots:
    void pagination_data()
    {
        QTest::addColumn<int>("pageHeight");
        QTest::addColumn<int>("xHeight");
        QTest::addColumn<int>("rowHeight");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<Ints>("rowsPerPage");
        // L = 10, h = 100: the tenth line at y = 1000 would run off the page.
        QTest::newRow("last line does not fit: L - 4 rows")
            << 1000 << 100 << 100 << 14 << Ints{6, 6, 1};
        // Rows lower than "X" fit the tenth line: 1000 + 5 <= 1005.
        QTest::newRow("last line fits: L - 3 rows") << 1005 << 100 << 5 << 16 << Ints{7, 7, 1};
        QTest::newRow("full pages, no empty page after") << 1005 << 100 << 5 << 15 << Ints{7, 7};
        QTest::newRow("only the open row") << 1000 << 100 << 100 << 2 << Ints{1};
        QTest::newRow("no rows at all") << 1000 << 100 << 100 << 1 << Ints{0};
        // A printer page: 6600 dots high, 116 a line gives L = 56, h = 117.
        QTest::newRow("printer sized") << 6600 << 116 << 116 << 200 << Ints{52, 52, 52, 43};
    }
    void pagination()
    {
        QFETCH(int, pageHeight);
        QFETCH(int, xHeight);
        QFETCH(int, rowHeight);
        QFETCH(int, rowCount);
        QFETCH(Ints, rowsPerPage);
        TRecordingPage page(3400, pageHeight, xHeight, rowHeight);
        PrintTable(page, Cell, rowCount, TwoColumns, QStringLiteral("/home/lab/Март.txt"));

        const int h = pageHeight / (pageHeight / xHeight);
        QCOMPARE(page.pages + 1, static_cast<int>(rowsPerPage.size()));
        size_t op = 0;
        int row = 1;
        for (int p = 0; p < static_cast<int>(rowsPerPage.size()); ++p) {
            const auto expect = [&](int x, int y, const QString &text) {
                QVERIFY(op < page.ops.size());
                const TTextOp &got = page.ops[op++];
                QCOMPARE(got.page, p);
                QCOMPARE(got.text, text);
                QCOMPARE(got.x, x);
                QCOMPARE(got.y, y);
            };
            expect(800, h, Header(p + 1, QStringLiteral("Март.txt")));
            expect(100, 3 * h, QStringLiteral("T0"));
            expect(700, 3 * h, QStringLiteral("T3"));
            for (int i = 0; i < rowsPerPage[p]; ++i, ++row) {
                const int y = (4 + i) * h;
                QVERIFY2(y + rowHeight <= pageHeight, "a row runs off the paper");
                expect(100, y, Cell(0, row));
                expect(700, y, Cell(3, row));
            }
        }
        QCOMPARE(row, rowCount);
        QCOMPARE(op, page.ops.size());
    }

    void emptyTablePrintsHeaderTitlesAndOneEmptyLine()
    {
        TRecordingPage page(3400, 1000, 100, 100);
        const auto cell = [](int col, int row) { return row == 0 ? Cell(col, 0) : QString(); };
        const auto columns = TarvoPrintColumns(3400);
        PrintTable(page, cell, 2, columns, QStringLiteral("Новый.txt"));
        QCOMPARE(page.pages, 0);
        QCOMPARE(page.ops.size(), 1 + 2 * columns.size());
        QCOMPARE(page.ops[0].text, Header(1, QStringLiteral("Новый.txt")));
        for (size_t i = 0; i < columns.size(); ++i) {
            QCOMPARE(page.ops[1 + i].text, Cell(columns[i].col, 0));
            QCOMPARE(page.ops[1 + columns.size() + i].y, 400);
            QVERIFY(page.ops[1 + columns.size() + i].text.isEmpty());
        }
    }

    void headerDropsTheFolder_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("shown");
        QTest::newRow("posix path") << "/home/lab/Результаты/Новый1.txt"
                                    << "Новый1.txt";
        QTest::newRow("windows path") << "C:\\Данные\\Проба.txt"
                                      << "Проба.txt";
        QTest::newRow("bare name") << "Новый.txt"
                                   << "Новый.txt";
    }
    void headerDropsTheFolder()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, shown);
        TRecordingPage page(3400, 1000, 100, 100);
        PrintTable(page, Cell, 2, TwoColumns, fileName);
        QCOMPARE(page.ops.front().text, Header(1, shown));
    }

    void tarvoColumns()
    {
        const auto columns = TarvoPrintColumns(3433); // u = 100
        QCOMPARE(columns.size(), size_t(16));
        QCOMPARE(columns[0].x, 100);
        QCOMPARE(columns[1].x, 200);
        for (int c = 0; c < 16; ++c)
            QCOMPARE(columns[c].col, c);
        for (int c = 2; c < 16; ++c)
            QCOMPARE(columns[c].x, 200 * c);
    }

    void mirelColumns_data()
    {
        QTest::addColumn<Ints>("widths");
        QTest::addColumn<Ints>("cols");
        Ints widths(32, 64);
        for (int c = 5; c < 32; ++c)
            widths[c] = (c == 7 || c == 31) ? 64 : -1;
        widths[9] = 0; // a column dragged to nothing is not printed either
        QTest::newRow("five fixed and two shown") << widths << Ints{0, 1, 2, 3, 4, 7, 31};
        QTest::newRow("nothing shown") << Ints(32, -1) << Ints{};
        QTest::newRow("all shown") << Ints(32, 10) << [] {
            Ints all;
            for (int c = 0; c < 32; ++c)
                all.push_back(c);
            return all;
        }();
    }
    void mirelColumns()
    {
        QFETCH(Ints, widths);
        QFETCH(Ints, cols);
        const int pageWidth = 4000;
        const auto columns = MirelPrintColumns(pageWidth, widths);
        QCOMPARE(columns.size(), cols.size());
        const int u = pageWidth / static_cast<int>(cols.size() + 1);
        for (size_t k = 0; k < cols.size(); ++k) {
            QCOMPARE(columns[k].col, cols[k]);
            QCOMPARE(columns[k].x, static_cast<int>(k + 1) * u);
        }
    }

    void tinyPagesStillEnd_data()
    {
        QTest::addColumn<int>("pageHeight");
        QTest::addColumn<int>("xHeight");
        QTest::newRow("two lines high") << 20 << 10;
        QTest::newRow("no height") << 0 << 10;
        QTest::newRow("text without height") << 1000 << 0;
        QTest::newRow("negative text height") << 1000 << -5;
        QTest::newRow("text taller than the page") << 50 << 80;
    }
    void tinyPagesStillEnd()
    {
        QFETCH(int, pageHeight);
        QFETCH(int, xHeight);
        TRecordingPage page(3400, pageHeight, xHeight, xHeight);
        const int rowCount = 6;
        PrintTable(page, Cell, rowCount, TwoColumns, QStringLiteral("a.txt"));
        QVERIFY(page.pages + 1 <= rowCount - 1);
        int rowsSeen = 0;
        for (const TTextOp &op : page.ops) {
            if (op.text == Cell(0, rowsSeen + 1))
                ++rowsSeen;
        }
        QCOMPARE(rowsSeen, rowCount - 1);
    }
};

QTEST_APPLESS_MAIN(TestPrintLayout)
#include "tst_printlayout.moc"
