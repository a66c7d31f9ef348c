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

TLimit lim(double min, double max)
{
    TLimit l;
    l.min = min;
    l.max = max;
    return l;
}
constexpr double None = std::numeric_limits<double>::quiet_NaN();

// Fat 2.8 to 6.0 and no added water.
TLimits milkLimits()
{
    TLimits limits;
    limits.setLimit(6, lim(2.8, 6.0));
    limits.setLimit(10, lim(None, 0));
    return limits;
}

QPalette darkPalette()
{
    QPalette p;
    p.setColor(QPalette::Base, QColor(30, 30, 30));
    p.setColor(QPalette::Text, QColor(230, 230, 230));
    p.setColor(QPalette::Highlight, QColor(200, 120, 20));
    p.setColor(QPalette::HighlightedText, QColor(0, 0, 0));
    p.setColor(QPalette::Inactive, QPalette::Highlight, QColor(90, 90, 90));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, QColor(255, 255, 255));
    return p;
}

} // namespace

class TstLimitColors : public QObject
{
    Q_OBJECT

    std::unique_ptr<TColorStringGrid> m_grid;

    // A Tarvo table: a good sample, fat too low, water added, both, and the open row.
    void fill()
    {
        m_grid->SetRowCount(6);
        const char *fat[] = {"3,50", "2,10", "3,60", "2,10", ""};
        const char *water[] = {"0,00", "0,00", "3,88", "1,00", ""};
        for (int r = 1; r <= 5; ++r) {
            m_grid->SetCells(0, r, QString::number(r));
            m_grid->SetCells(1, r, QStringLiteral("Проба %1").arg(r));
            m_grid->SetCells(6, r, QString::fromLatin1(fat[r - 1]));
            m_grid->SetCells(10, r, QString::fromLatin1(water[r - 1]));
        }
    }

    // A point of the cell away from its text.
    QColor pixel(const QImage &image, int col, int row, double across = 0.9)
    {
        const QRect r = m_grid->visualRect(m_grid->model()->index(row - 1, col));
        const QPoint p(r.left() + int(r.width() * across), r.bottom() - 3);
        return image.pixelColor(m_grid->viewport()->mapTo(m_grid.get(), p));
    }

private slots:
    void init()
    {
        m_grid = std::make_unique<TColorStringGrid>();
        m_grid->SetColCount(17);
        for (int c = 0; c < 17; ++c)
            m_grid->SetCells(c, 0, Str::TarvoTitles[c]);
        fill();
        m_grid->SetDefaultColWidth(44); // narrow: long titles are drawn smaller
        m_grid->resize(780, 260);
        m_grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_grid.get()));
    }
    void cleanup() { m_grid.reset(); }

    void hookOnlyWithLimits()
    {
        auto *colours = new TLimitColors(m_grid.get(), Ru);
        colours->setLimits({});
        QVERIFY(!m_grid->OnGetCellColor);
        colours->setLimits(milkLimits());
        QVERIFY(m_grid->OnGetCellColor);
        colours->setLimits({});
        QVERIFY(!m_grid->OnGetCellColor);
    }

    // Limits that every value keeps: the grid, titles and numbers included, draws exactly
    // as without them.
    void nothingOutsideDrawsAsBefore()
    {
        m_grid->setCurrentIndex(m_grid->model()->index(1, 6));
        const QImage plain = m_grid->grab().toImage();
        auto *colours = new TLimitColors(m_grid.get(), Ru);
        TLimits wide;
        wide.setLimit(6, lim(0, 100));
        wide.setLimit(10, lim(-1, 10));
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
        QVERIFY(below != above && below != base && above != base);
        const QImage image = m_grid->grab().toImage();
        QCOMPARE(pixel(image, 6, 1), base);   // within
        QCOMPARE(pixel(image, 6, 2), below);  // fat 2,10
        QCOMPARE(pixel(image, 10, 3), above); // water 3,88
        QCOMPARE(pixel(image, 7, 3), base);   // no limit
        QCOMPARE(pixel(image, 6, 5), base);   // the open row
        QCOMPARE(pixel(image, 1, 1), base);   // labels carry the row's mark
        QCOMPARE(pixel(image, 1, 2), below);
        QCOMPARE(pixel(image, 1, 3), above);
        QCOMPARE(pixel(image, 1, 4, 0.1), below); // both: half and half
        QCOMPARE(pixel(image, 1, 4, 0.9), above);
        QCOMPARE(pixel(image, 2, 2), base); // only values and labels are coloured
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
        if (dark)
            m_grid->setPalette(darkPalette());
        auto *colours = new TLimitColors(m_grid.get(), Ru);
        colours->setLimits(milkLimits());
        const QPalette &p = m_grid->palette();
        for (bool active : {true, false}) {
            const auto group = active ? QPalette::Active : QPalette::Inactive;
            for (bool selected : {false, true}) {
                const QColor text =
                    p.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
                const QColor b = colours->brush(TRowMarks::BelowMark, selected, active).color();
                const QColor a = colours->brush(TRowMarks::AboveMark, selected, active).color();
                const QString where = QStringLiteral("active %1 selected %2").arg(active).arg(selected);
                QVERIFY2(TLimitColors::contrast(b, text) >= 4.5, qPrintable(where));
                QVERIFY2(TLimitColors::contrast(a, text) >= 4.5, qPrintable(where));
                QVERIFY2(b != a, qPrintable(where));
                if (selected) {
                    // A marked cell in a selection still stands out of it.
                    const QColor h = p.color(group, QPalette::Highlight);
                    QVERIFY2(b != h && a != h, qPrintable(where));
                }
            }
        }
        // What the grid draws for a selected marked cell.
        m_grid->selectionModel()->select(m_grid->model()->index(1, 6),
                                         QItemSelectionModel::ClearAndSelect);
        const QImage image = m_grid->grab().toImage();
        QCOMPARE(pixel(image, 6, 2),
                 colours->brush(TRowMarks::BelowMark, true, m_grid->isActiveWindow()).color());
    }

    void followsTheTable()
    {
        auto *colours = new TLimitColors(m_grid.get(), Ru);
        colours->setLimits(milkLimits());
        m_grid->grab(); // every row read once
        QCOMPARE(colours->verdict(6, 1), TVerdict::Within);
        m_grid->SetCells(6, 1, QStringLiteral("1,00"));
        QCOMPARE(colours->verdict(6, 1), TVerdict::Below);
        QCOMPARE(colours->rowMark(1), quint8(TRowMarks::BelowMark));

        // A result fills the open row, and a new open row follows.
        m_grid->SetCells(10, 5, QStringLiteral("0,50"));
        m_grid->AppendRow();
        QCOMPARE(colours->rowMark(5), quint8(TRowMarks::AboveMark));
        QCOMPARE(colours->rowMark(6), quint8(TRowMarks::NoMark));

        // Opening a file replaces every row.
        TRowStore rows(17);
        rows.SetRowCount(1);
        rows.SetCell(6, 0, QStringLiteral("7,00"));
        m_grid->SetRows(std::move(rows));
        QCOMPARE(colours->verdict(6, 1), TVerdict::Above);
        QCOMPARE(colours->rowMark(2), quint8(TRowMarks::NoMark));
    }

    void toolTips()
    {
        auto *colours = new TLimitColors(m_grid.get(), Ru);
        colours->setLimits(milkLimits());
        QCOMPARE(colours->toolTip(10, 3), QStringLiteral("выше нормы: 3,88 > 0,00"));
        QCOMPARE(colours->toolTip(6, 2), QStringLiteral("ниже нормы: 2,10 < 2,80"));
        QCOMPARE(colours->toolTip(6, 1), QString());
        QCOMPARE(colours->toolTip(1, 4), QStringLiteral("Жир: ниже нормы: 2,10 < 2,80\n"
                                                        "Доб.вода: выше нормы: 1,00 > 0,00"));
        QCOMPARE(colours->toolTip(1, 1), QString());
        QCOMPARE(colours->toolTip(6, 99), QString());

        // The grid shows it when the mouse rests on the cell.
        const QRect r = m_grid->visualRect(m_grid->model()->index(2, 10));
        QHelpEvent help(QEvent::ToolTip, r.center(), m_grid->viewport()->mapToGlobal(r.center()));
        QApplication::sendEvent(m_grid->viewport(), &help);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("выше нормы: 3,88 > 0,00"));
        QToolTip::hideText();
    }
};

QTEST_MAIN(TstLimitColors)
#include "tst_limitcolors.moc"
