#include <QTest>

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

#include "controls/TColorStringGrid.h"
#include "quality/TLimitColors.h"
#include "table/TRowStore.h"
#include "text/Strings.h"

namespace {

const QLocale Ru(QLocale::Russian, QLocale::Russia);
constexpr double None = std::numeric_limits<double>::quiet_NaN();

// Fat 2.8 to 6.0 and no added water.
TLimits milkLimits()
{
    TLimits limits;
    limits.setLimit(6, TLimit{2.8, 6.0});
    limits.setLimit(10, TLimit{None, 0});
    return limits;
}

} // namespace

class TestLimitColors : public QObject
{
    Q_OBJECT

    std::unique_ptr<TColorStringGrid> m_grid;

    // A point of the cell away from its text.
    QColor pixel(const QImage &image, int col, int row, double across = 0.9)
    {
        const QRect r = m_grid->visualRect(m_grid->model()->index(row - 1, col));
        const QPoint p(r.left() + int(r.width() * across), r.bottom() - 3);
        return image.pixelColor(m_grid->viewport()->mapTo(m_grid.get(), p));
    }

private slots:
    // A Tarvo table: a good sample, fat too low, water added, both, and the open row.
    void init()
    {
        m_grid = std::make_unique<TColorStringGrid>();
        m_grid->SetColCount(17);
        m_grid->SetRowCount(6);
        for (int c = 0; c < 17; ++c)
            m_grid->SetCells(c, 0, Str::TarvoTitles[c]);
        const char *fat[] = {"3,50", "2,10", "3,60", "2,10", ""};
        const char *water[] = {"0,00", "0,00", "3,88", "1,00", ""};
        for (int r = 1; r <= 5; ++r) {
            m_grid->SetCells(0, r, QString::number(r));
            m_grid->SetCells(1, r, QStringLiteral("Проба %1").arg(r));
            m_grid->SetCells(6, r, QString::fromLatin1(fat[r - 1]));
            m_grid->SetCells(10, r, QString::fromLatin1(water[r - 1]));
        }
        m_grid->SetDefaultColWidth(44); // narrow: long titles are drawn smaller
        m_grid->resize(780, 260);
        m_grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_grid.get()));
    }
    void cleanup() { m_grid.reset(); }

    // No limits: no hook. Limits that every value keeps: the grid, titles and numbers
    // included, draws exactly as without them.
    void nothingOutsideDrawsAsBefore()
    {
        m_grid->setCurrentIndex(m_grid->model()->index(1, 6));
        const QImage plain = m_grid->grab().toImage();
        auto *colours = new TLimitColors(m_grid.get(), Ru);
        colours->setLimits({});
        QVERIFY(!m_grid->OnGetCellColor);
        TLimits wide;
        wide.setLimit(6, TLimit{0, 100});
        wide.setLimit(10, TLimit{-1, 10});
        colours->setLimits(wide);
        QVERIFY(m_grid->OnGetCellColor);
        QCOMPARE(m_grid->grab().toImage(), plain);
        delete colours; // a hook left behind by a colouring that is gone draws nothing
        QCOMPARE(m_grid->grab().toImage(), plain);
    }

    void colouredCells()
    {
        auto *colours = new TLimitColors(m_grid.get(), Ru);
        colours->setLimits(milkLimits());
        const bool active = m_grid->isActiveWindow();
        const QColor base = m_grid->palette().color(active ? QPalette::Active : QPalette::Inactive,
                                                    QPalette::Base);
        const QColor below = colours->brush(TRowMarks::BelowMark, false, active).color();
        const QColor above = colours->brush(TRowMarks::AboveMark, false, active).color();
        const QImage image = m_grid->grab().toImage();
        // Within, fat 2,10, water 3,88, no limit, the open row, a date.
        QCOMPARE(pixel(image, 6, 1), base);
        QCOMPARE(pixel(image, 6, 2), below);
        QCOMPARE(pixel(image, 10, 3), above);
        QCOMPARE(pixel(image, 7, 3), base);
        QCOMPARE(pixel(image, 6, 5), base);
        QCOMPARE(pixel(image, 2, 2), base);
        // Labels carry their row's mark; a row with both is half and half.
        QCOMPARE(pixel(image, 1, 1), base);
        QCOMPARE(pixel(image, 1, 2), below);
        QCOMPARE(pixel(image, 1, 3), above);
        QCOMPARE(pixel(image, 1, 4, 0.1), below);
        QCOMPARE(pixel(image, 1, 4, 0.9), above);
    }

    // An export of the grid carries the verdicts and the shades the screen draws.
    void exportGetsTheScreensMarks()
    {
        auto *colours = new TLimitColors(m_grid.get(), Ru);
        TExportTable t = ExportTableOf(*m_grid->GridModel());
        colours->markExport(t);
        QVERIFY(!t.limitClass); // no limits: the export is as it always was
        colours->setLimits(milkLimits());
        colours->markExport(t);
        QCOMPARE(t.limitClass(6, 0), TLimitClass::Within);
        QCOMPARE(t.limitClass(6, 1), TLimitClass::Below);
        QCOMPARE(t.limitClass(10, 2), TLimitClass::Above);
        const QColor above = colours->brush(TRowMarks::AboveMark, false, false).color();
        QCOMPARE(t.aboveColour, above.rgb() & 0xFFFFFFu);
    }

    void readableInEveryPalette_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark, orange selection") << true;
    }
    void readableInEveryPalette()
    {
        QFETCH(bool, dark);
        if (dark) {
            QPalette p;
            p.setColor(QPalette::Base, QColor(30, 30, 30));
            p.setColor(QPalette::Text, QColor(230, 230, 230));
            p.setColor(QPalette::Highlight, QColor(200, 120, 20));
            p.setColor(QPalette::HighlightedText, QColor(0, 0, 0));
            p.setColor(QPalette::Inactive, QPalette::Highlight, QColor(90, 90, 90));
            m_grid->setPalette(p);
        }
        auto *colours = new TLimitColors(m_grid.get(), Ru);
        colours->setLimits(milkLimits());
        const QPalette &p = m_grid->palette();
        for (int i = 0; i < 4; ++i) {
            const bool active = i & 1;
            const bool selected = i & 2;
            const auto group = active ? QPalette::Active : QPalette::Inactive;
            const QColor text = p.color(group,
                                        selected ? QPalette::HighlightedText : QPalette::Text);
            const QColor b = colours->brush(TRowMarks::BelowMark, selected, active).color();
            const QColor a = colours->brush(TRowMarks::AboveMark, selected, active).color();
            QVERIFY(TLimitColors::contrast(b, text) >= 4.5);
            QVERIFY(TLimitColors::contrast(a, text) >= 4.5);
            QVERIFY(b != a);
            // A marked cell in a selection still stands out of it.
            const QColor h = p.color(group, selected ? QPalette::Highlight : QPalette::Base);
            QVERIFY(b != h && a != h);
        }
        m_grid->selectionModel()->select(m_grid->model()->index(1, 6),
                                         QItemSelectionModel::ClearAndSelect);
        QCOMPARE(pixel(m_grid->grab().toImage(), 6, 2),
                 colours->brush(TRowMarks::BelowMark, true, m_grid->isActiveWindow()).color());
    }

    void followsTheTableAndTellsWhy()
    {
        auto *colours = new TLimitColors(m_grid.get(), Ru);
        colours->setLimits(milkLimits());
        m_grid->grab(); // every row read once
        m_grid->SetCells(6, 1, QStringLiteral("1,00"));
        QCOMPARE(colours->verdict(6, 1), TVerdict::Below);
        // A result fills the open row, and a new open row follows.
        m_grid->SetCells(10, 5, QStringLiteral("0,50"));
        m_grid->AppendRow();
        QCOMPARE(colours->rowMark(5), quint8(TRowMarks::AboveMark));
        QCOMPARE(colours->rowMark(6), quint8(TRowMarks::NoMark));

        QCOMPARE(colours->toolTip(10, 3), QStringLiteral("выше нормы: 3,88 > 0,00"));
        QCOMPARE(colours->toolTip(6, 3), QString());
        QCOMPARE(colours->toolTip(1, 4), QStringLiteral("Жир: ниже нормы: 2,10 < 2,80\n"
                                                        "Доб.вода: выше нормы: 1,00 > 0,00"));
        QCOMPARE(colours->toolTip(6, 99), QString());
        const QRect r = m_grid->visualRect(m_grid->model()->index(2, 10));
        QHelpEvent help(QEvent::ToolTip, r.center(), m_grid->viewport()->mapToGlobal(r.center()));
        QApplication::sendEvent(m_grid->viewport(), &help);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("выше нормы: 3,88 > 0,00"));
        QToolTip::hideText();

        // Opening a file replaces every row.
        TRowStore rows(17);
        rows.SetRowCount(1);
        rows.SetCell(6, 0, QStringLiteral("7,00"));
        m_grid->SetRows(std::move(rows));
        QCOMPARE(colours->verdict(6, 1), TVerdict::Above);
    }
};

QTEST_MAIN(TestLimitColors)
#include "tst_limitcolors.moc"
