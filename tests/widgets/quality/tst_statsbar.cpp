#include <QTest>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "controls/TColorStringGrid.h"
#include "quality/TStatsBar.h"
#include "settings/TIniPlus.h"
#include "support/TestFiles.h"
#include "text/Strings.h"

namespace {

const QLocale Ru(QLocale::Russian, QLocale::Russia);

} // namespace

class TstStatsBar : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_window;
    TColorStringGrid *m_grid = nullptr;
    TStatsBar *m_bar = nullptr;

    // As a window adds a result: the open row's cells, then a new numbered open row.
    void addResult(double fat, double water)
    {
        const int row = m_grid->RowCount() - 1;
        m_grid->SetCells(2, row, QStringLiteral("01.02.2024"));
        for (int c = 5; c < 17; ++c)
            m_grid->SetCells(c, row, Ru.toString(c == 6 ? fat : c == 10 ? water : 1.0, 'f', 2));
        m_grid->AppendRow();
        m_grid->SetCells(0, row + 1, QString::number(row + 1));
    }

    int k(int col) const { return col - 5; }

private slots:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(m_window.get());
        m_grid = new TColorStringGrid;
        m_grid->SetColCount(17);
        for (int c = 0; c < 17; ++c)
            m_grid->SetCells(c, 0, Str::TarvoTitles[c]);
        m_grid->SetRowCount(2);
        m_grid->SetCells(0, 1, QStringLiteral("1"));
        m_bar = new TStatsBar(m_grid, nullptr, Ru);
        layout->addWidget(m_grid);
        layout->addWidget(m_bar);
        m_window->resize(760, 400);
        m_grid->SetDefaultColWidth(60);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void followsResults()
    {
        QCOMPARE(m_bar->shown()[k(6)].count, 0);
        addResult(3.5, 0);
        addResult(4.0, 3.88);
        QCOMPARE(m_bar->shown()[k(6)].count, 2);
        QCOMPARE(m_bar->shown()[k(6)].mean, 3.75);
        QCOMPARE(m_bar->shown()[k(10)].max, 3.88);
        TLimits limits;
        TLimit water;
        water.max = 0;
        limits.setLimit(10, water);
        m_bar->setLimits(limits);
        QCOMPARE(m_bar->shown()[k(10)].outside, 1);
        addResult(2.0, 1.0);
        QCOMPARE(m_bar->shown()[k(10)].outside, 2);
        QCOMPARE(m_bar->shown()[k(6)].min, 2.0);
        // A value cell changed afterwards (a file from elsewhere, a result corrected).
        m_grid->SetCells(6, 2, QStringLiteral("Проба"));
        QCOMPARE(m_bar->shown()[k(6)].count, 2);
        QCOMPARE(m_bar->shown()[k(6)].max, 3.5);
        // New table, as the window starts one: rows go, then the first row is emptied.
        m_grid->SetRowCount(2);
        QCOMPARE(m_bar->shown()[k(6)].count, 1);
        QCOMPARE(m_bar->shown()[k(6)].mean, 3.5);
        for (int c = 1; c < 17; ++c)
            m_grid->SetCells(c, 1, QString());
        QCOMPARE(m_bar->shown()[k(6)].count, 0);
        QCOMPARE(m_bar->shown()[k(10)].outside, 0);
    }

    void selectionOrAll()
    {
        for (double fat : {3.0, 4.0, 5.0, 6.0})
            addResult(fat, 0);
        QItemSelectionModel *sel = m_grid->selectionModel();
        QAbstractItemModel *model = m_grid->model();
        sel->select(model->index(0, 6), QItemSelectionModel::ClearAndSelect);
        QVERIFY(!m_bar->showsSelection()); // one row: all rows
        QCOMPARE(m_bar->shown()[k(6)].count, 4);
        // Two rows picked in any column count those rows in every column.
        sel->select(QItemSelection(model->index(1, 1), model->index(2, 2)),
                    QItemSelectionModel::ClearAndSelect);
        QVERIFY(m_bar->showsSelection());
        QCOMPARE(m_bar->shown()[k(6)].count, 2);
        QCOMPARE(m_bar->shown()[k(6)].mean, 4.5);
        QVERIFY(m_bar->text().contains(QStringLiteral("Число (выделено)\t2\t")));
        sel->clearSelection();
        QCOMPARE(m_bar->shown()[k(6)].count, 4);
    }

    // The values stand under their columns as they are resized, hidden and scrolled.
    void alignedUnderColumns()
    {
        const auto gridX = [&](int col) {
            const QRect r = m_grid->visualRect(m_grid->model()->index(0, col));
            return m_grid->viewport()->mapToGlobal(r.topLeft()).x();
        };
        const auto barX = [&](int col) {
            return m_bar->mapToGlobal(m_bar->columnRect(col).topLeft()).x();
        };
        QCOMPARE(barX(6), gridX(6));
        QCOMPARE(m_bar->columnRect(6).width(), m_grid->columnWidth(6));
        QCOMPARE(m_bar->mapToGlobal(QPoint(m_bar->namesRect().right() + 1, 0)).x(), gridX(5));

        m_grid->setColumnWidth(5, 140);
        QCOMPARE(barX(6), gridX(6));
        m_grid->SetColWidths(7, -1);
        QVERIFY(m_bar->columnRect(7).isEmpty());
        QCOMPARE(barX(8), gridX(8));
        QVERIFY(!m_bar->text().contains(Str::TarvoTitles[7]));

        m_grid->horizontalScrollBar()->setValue(m_grid->horizontalScrollBar()->maximum());
        QVERIFY(m_grid->horizontalScrollBar()->value() > 0);
        QCOMPARE(barX(16), gridX(16));
        QCOMPARE(barX(5), gridX(5)); // partly in sight
        QVERIFY(m_bar->columnRect(4).isEmpty()); // scrolled out
    }

    void copiesWithCtrlC()
    {
        addResult(3.5, 0);
        addResult(4.0, 3.88);
        QApplication::clipboard()->clear();
        QTest::mouseClick(m_bar, Qt::LeftButton);
        QTest::keyClick(m_bar, Qt::Key_C, Qt::ControlModifier);
        const QString text = QApplication::clipboard()->text();
        QCOMPARE(text, m_bar->text());
        const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 6);                // titles and five lines without limits
        QCOMPARE(lines[0].split(u'\t').size(), 13); // a name column and twelve values
        QVERIFY(lines[0].startsWith(QStringLiteral("\tТемпература\tЖир\t")));
        QVERIFY(lines[2].startsWith(QStringLiteral("Среднее\t1,00\t3,75\t")));
    }

    void visibilityRemembered()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Tarvo.Ini"));
        const QByteArray text("[Config]\r\nCOM=COM1\r\n");
        QVERIFY(putFile(path, text));
        {
            TIniPlus ini(path);
            m_bar->restore(ini, false); // no choice, no limits: hidden
            QVERIFY(m_bar->isHidden());
            QVERIFY(!m_bar->toggleAction()->isChecked());
            QVERIFY(m_bar->save(ini));
            QCOMPARE(getFile(path), text); // nothing chosen, nothing written
            m_bar->restore(ini, true); // limits: shown
            QVERIFY(!m_bar->isHidden());
            m_bar->toggleAction()->trigger();
            QVERIFY(m_bar->isHidden());
            QVERIFY(m_bar->save(ini));
        }
        QCOMPARE(getFile(path), text + "[Window]\r\nStatistics=0\r\n");
        TIniPlus ini(path);
        m_bar->restore(ini, true); // the choice outweighs the limits
        QVERIFY(m_bar->isHidden());
    }
};

QTEST_MAIN(TstStatsBar)
#include "tst_statsbar.moc"
