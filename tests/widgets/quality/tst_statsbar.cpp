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

class TestStatsBar : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_window;
    TColorStringGrid *m_grid = nullptr;
    TStatsBar *m_bar = nullptr;

    // As a window adds a result: the open row's cells, then a new numbered open row.
    void addResult(const QString &fat, const QString &water = QStringLiteral("0,00"))
    {
        const int row = m_grid->RowCount() - 1;
        for (int c = 5; c < 17; ++c)
            m_grid->SetCells(c, row, c == 6 ? fat : c == 10 ? water : QStringLiteral("1,00"));
        m_grid->AppendRow();
        m_grid->SetCells(0, row + 1, QString::number(row + 1));
    }
    TStat fat() const { return m_bar->shown()[6 - 5]; }

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
        m_bar = new TStatsBar(m_grid, nullptr, QLocale(QLocale::Russian, QLocale::Russia));
        layout->addWidget(m_grid);
        layout->addWidget(m_bar);
        m_window->resize(760, 400);
        m_grid->SetDefaultColWidth(60);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void followsResultsAndSelection()
    {
        addResult(QStringLiteral("3,50"));
        addResult(QStringLiteral("4,00"), QStringLiteral("3,88"));
        QCOMPARE(fat().count, 2);
        QCOMPARE(fat().mean, 3.75);
        TLimits limits;
        limits.setLimit(10, TLimit{std::numeric_limits<double>::quiet_NaN(), 0});
        m_bar->setLimits(limits);
        QCOMPARE(m_bar->shown()[10 - 5].outside, 1);
        addResult(QStringLiteral("2,00"));
        addResult(QStringLiteral("6,00"));
        QCOMPARE(fat().min, 2.0);

        // Two rows picked in any column count those rows in every column; one is none.
        QItemSelectionModel *sel = m_grid->selectionModel();
        QAbstractItemModel *model = m_grid->model();
        sel->select(QItemSelection(model->index(1, 1), model->index(2, 2)),
                    QItemSelectionModel::ClearAndSelect);
        QVERIFY(m_bar->showsSelection());
        QCOMPARE(fat().mean, 3.0);
        QVERIFY(m_bar->text().contains(QStringLiteral("Число (выделено)\t2\t")));
        sel->select(model->index(0, 6), QItemSelectionModel::ClearAndSelect);
        QVERIFY(!m_bar->showsSelection());
        QCOMPARE(fat().count, 4);

        // A value corrected; then a new table, as the window starts one.
        m_grid->SetCells(6, 2, QStringLiteral("Проба"));
        QCOMPARE(fat().max, 6.0);
        QCOMPARE(fat().count, 3);
        m_grid->SetRowCount(2);
        QCOMPARE(fat().count, 1);
        for (int c = 1; c < 17; ++c)
            m_grid->SetCells(c, 1, QString());
        QCOMPARE(fat().count, 0);
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
        QCOMPARE(barX(5), gridX(5));             // partly in sight
        QVERIFY(m_bar->columnRect(4).isEmpty()); // scrolled out
    }

    void copiesWithCtrlC()
    {
        addResult(QStringLiteral("3,50"));
        QApplication::clipboard()->clear();
        QTest::mouseClick(m_bar, Qt::LeftButton);
        QTest::keyClick(m_bar, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), m_bar->text());
        QVERIFY(m_bar->text().contains(QStringLiteral("\nСреднее\t1,00\t3,50\t")));
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
            QVERIFY(m_bar->isHidden() && !m_bar->toggleAction()->isChecked());
            QVERIFY(m_bar->save(ini));
            QCOMPARE(getFile(path), text); // nothing chosen, nothing written
            m_bar->restore(ini, true);     // limits: shown
            QVERIFY(!m_bar->isHidden());
            m_bar->toggleAction()->trigger();
            QVERIFY(m_bar->save(ini));
        }
        QCOMPARE(getFile(path), text + "[Window]\r\nStatistics=0\r\n");
        m_bar->restore(TIniPlus(path), true); // the choice outweighs the limits
        QVERIFY(m_bar->isHidden());
    }
};

QTEST_MAIN(TestStatsBar)
#include "tst_statsbar.moc"
