#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QPaintEngine>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include "controls/TColorStringGrid.h"
#include "controls/TCp1251Validator.h"
#include "table/ShownText.h"
#include "table/TStringGridModel.h"

namespace {

// A paint device that only notes the texts drawn on it.
class TextCatcher : public QPaintDevice
{
public:
    QStringList texts;
    QPaintEngine *paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
        case PdmHeight:
            return 1000;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 1000;
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        explicit Engine(QStringList &texts)
            : m_texts(texts)
        {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawPath(const QPainterPath &) override {}
        void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF &, const QTextItem &item) override
        {
            m_texts << item.text();
        }
        Type type() const override { return User; }

    private:
        QStringList &m_texts;
    };
    mutable Engine m_engine{texts};
};

} // namespace

class TestStringGrid : public QObject
{
    Q_OBJECT

private:
    // keyClicks takes Latin-1 only; an operator types Cyrillic too.
    static void typeText(QWidget *w, const QString &text)
    {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    // A shown 17-column grid with three data rows, numbered like the windows number them.
    static std::unique_ptr<TColorStringGrid> shownGrid()
    {
        auto grid = std::make_unique<TColorStringGrid>();
        grid->SetColCount(17);
        grid->SetRowCount(4);
        for (int r = 1; r < 4; ++r)
            grid->SetCells(0, r, QString::number(r));
        grid->SetDefaultColWidth(60);
        grid->resize(700, 300);
        grid->show();
        if (!QTest::qWaitForWindowExposed(grid.get()))
            return nullptr;
        grid->activateWindow();
        grid->setFocus();
        return grid;
    }
    static QLineEdit *openEditor(TColorStringGrid *grid) { return grid->findChild<QLineEdit *>(); }
    static QPoint cellCentre(TColorStringGrid *grid, int col, int row)
    {
        return grid->visualRect(grid->model()->index(row - 1, col)).center();
    }

private slots:
    void modelPassesTester()
    {
        TStringGridModel model(17);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.SetDataRowCount(3);
        model.SetCell(1, 0, QStringLiteral("проба"));
        model.SetTitle(2, QStringLiteral("Дата"));
        model.AppendRow();
        model.SetColCount(32);
        model.SetColCount(5);
        model.SetDataRowCount(1);
        TRowStore rows(5);
        rows.AppendLine("1\tx\ty");
        rows.AppendLine("2");
        model.SetRows(rows);
        model.setData(model.index(1, 3), QStringLiteral("z"));
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.Cell(3, 1), QStringLiteral("z"));
        model.endWithOpenRow(); // the last row is open: numbered only
        QCOMPARE(model.rowCount(), 2);
        model.SetCell(2, 1, QStringLiteral("05.03.2024"));
        model.endWithOpenRow(); // it holds a result now: a new open row
        QCOMPARE(model.rowCount(), 3);
        model.SetDataRowCount(0);
        model.endWithOpenRow();
        QCOMPARE(model.rowCount(), 1);
    }

    void cells_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("signal");
        QTest::newRow("title") << 1 << 0 << "Проба"
                               << "Проба"
                               << "header";
        QTest::newRow("title beyond the code page") << 3 << 0 << "漢 °C"
                                                    << "漢 °C"
                                                    << "header";
        QTest::newRow("number column") << 0 << 2 << "2"
                                       << "2"
                                       << "both";
        QTest::newRow("data cell") << 5 << 1 << "36,60"
                                   << "36,60"
                                   << "data";
        QTest::newRow("last column, last row") << 16 << 3 << "1.5"
                                               << "1.5"
                                               << "data";
        QTest::newRow("tab becomes blank") << 1 << 3 << "a\tb"
                                           << "a b"
                                           << "data";
        QTest::newRow("row past the end") << 1 << 4 << "x"
                                          << ""
                                          << "none";
        QTest::newRow("column past the end") << 17 << 1 << "x"
                                             << ""
                                             << "none";
    }
    void cells()
    {
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QFETCH(QString, signal);
        TColorStringGrid grid;
        grid.SetColCount(17);
        grid.SetRowCount(4);
        QSignalSpy headers(grid.model(), &QAbstractItemModel::headerDataChanged);
        QSignalSpy data(grid.model(), &QAbstractItemModel::dataChanged);
        grid.SetCells(col, row, text);
        QCOMPARE(grid.Cells(col, row), stored);
        QCOMPARE(headers.size() > 0, signal == u"header" || signal == u"both");
        QCOMPARE(data.size() > 0, signal == u"data" || signal == u"both");
        if (row == 0)
            QCOMPARE(grid.model()->headerData(col, Qt::Horizontal).toString(), stored);
        else if (col == 0)
            QCOMPARE(grid.model()->headerData(row - 1, Qt::Vertical).toString(), stored);
    }

    void appendRowIsOneInsert()
    {
        auto grid = shownGrid();
        QVERIFY(grid);
        grid->SetCells(5, 3, QStringLiteral("kept"));
        QSignalSpy inserted(grid->model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(grid->model(), &QAbstractItemModel::modelReset);
        QSignalSpy layout(grid->model(), &QAbstractItemModel::layoutChanged);
        grid->AppendRow();
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted[0][1].toInt(), 3);
        QCOMPARE(inserted[0][2].toInt(), 3);
        QCOMPARE(reset.size(), 0);
        QCOMPARE(layout.size(), 0);
        QCOMPARE(grid->RowCount(), 5);
        QCOMPARE(grid->Cells(5, 3), QStringLiteral("kept"));
        QCOMPARE(grid->Rows().Line(3), QByteArray(16, '\t'));
        QCOMPARE(grid->rowHeight(3), grid->DefaultRowHeight());
    }

    // The table ends in one numbered open row: added (one insert) after a row with a date,
    // only numbered after a row without one.
    void endWithOpenRow_data()
    {
        QTest::addColumn<QStringList>("lastRow"); // cells 0 .. 2 of the last of three rows
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QStringList>("openRow");
        QTest::addColumn<int>("inserts");
        QTest::newRow("a result: new open row")
            << QStringList{"3", "lbl", "05.03.2024"} << 5 << QStringList{"4", "", ""} << 1;
        QTest::newRow("open row with its label stays")
            << QStringList{"3", "lbl", ""} << 4 << QStringList{"3", "lbl", ""} << 0;
        QTest::newRow("open row gets its number")
            << QStringList{"", "", ""} << 4 << QStringList{"3", "", ""} << 0;
        QTest::newRow("a wrong number is put right")
            << QStringList{"77", "", ""} << 4 << QStringList{"3", "", ""} << 0;
    }
    void endWithOpenRow()
    {
        QFETCH(QStringList, lastRow);
        QFETCH(int, rowCount);
        QFETCH(QStringList, openRow);
        QFETCH(int, inserts);
        auto grid = shownGrid();
        QVERIFY(grid);
        for (int c = 0; c < lastRow.size(); ++c)
            grid->SetCells(c, 3, lastRow[c]);
        QSignalSpy inserted(grid->model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(grid->model(), &QAbstractItemModel::modelReset);
        grid->endWithOpenRow();
        QCOMPARE(grid->RowCount(), rowCount);
        QCOMPARE(inserted.size(), inserts);
        QCOMPARE(reset.size(), 0);
        const int last = grid->RowCount() - 1;
        for (int c = 0; c < openRow.size(); ++c)
            QCOMPARE(grid->Cells(c, last), openRow[c]);
        QCOMPARE(grid->verticalHeader()->model()->headerData(last - 1, Qt::Vertical).toString(),
                 openRow[0]);
        if (inserts > 0)
            QCOMPARE(grid->Cells(2, 3), lastRow[2]); // the result row is kept as it was
    }

    // The owner takes what is being typed (a save, a print) or drops it (the table goes).
    void commitAndDiscardEditor_data()
    {
        QTest::addColumn<bool>("commit");
        QTest::newRow("commit") << true;
        QTest::newRow("discard") << false;
    }
    void commitAndDiscardEditor()
    {
        QFETCH(bool, commit);
        auto grid = shownGrid();
        QVERIFY(grid);
        grid->CommitEditor(); // no editor: nothing to do
        grid->DiscardEditor();
        grid->SetCells(1, 2, QStringLiteral("old"));
        QStringList committed;
        grid->OnSetEditText = [&](int, int, const QString &value) { committed.append(value); };
        grid->SetEditing(true);
        grid->setCurrentIndex(grid->model()->index(1, 1));
        QTest::keyClick(grid.get(), Qt::Key_F2);
        QLineEdit *editor = openEditor(grid.get());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("new"));
        if (commit) {
            grid->CommitEditor();
            QCOMPARE(grid->Cells(1, 2), QStringLiteral("new"));
            QCOMPARE(committed, QStringList{QStringLiteral("new")});
            QVERIFY(grid->EditorOpen()); // typing goes on
            QTest::keyClicks(editor, QStringLiteral("er"));
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_VERIFY(!grid->EditorOpen());
            QCOMPARE(grid->Cells(1, 2), QStringLiteral("newer"));
        } else {
            grid->DiscardEditor();
            QTRY_VERIFY(!grid->EditorOpen());
            QCOMPARE(grid->Cells(1, 2), QStringLiteral("old"));
            QVERIFY(committed.isEmpty());
        }
    }

    void copySelection_data()
    {
        QTest::addColumn<QRect>("block"); // columns x, rows y (grid rows)
        QTest::addColumn<int>("hidden");
        QTest::addColumn<QString>("text");
        QTest::newRow("one cell") << QRect(2, 2, 1, 1) << -1 << "b2";
        QTest::newRow("a block") << QRect(1, 1, 2, 2) << -1 << "a1\tb1\na2\tb2";
        QTest::newRow("over a hidden column") << QRect(1, 3, 3, 1) << 2 << "a3\tc3";
        QTest::newRow("whole columns, titles first")
            << QRect(2, 1, 2, 3) << -1 << "T2\tT3\nb1\tc1\nb2\tc2\nb3\tc3";
    }
    // Ctrl+C copies the selected block as TAB-separated lines, as spreadsheets take them.
    void copySelection()
    {
        QFETCH(QRect, block);
        QFETCH(int, hidden);
        QFETCH(QString, text);
        auto grid = shownGrid();
        QVERIFY(grid);
        for (int c = 1; c <= 3; ++c) {
            grid->SetCells(c, 0, QStringLiteral("T%1").arg(c));
            for (int r = 1; r < 4; ++r)
                grid->SetCells(c, r, QStringLiteral("%1%2").arg(QChar(u'a' + c - 1)).arg(r));
        }
        if (hidden > 0)
            grid->SetColWidths(hidden, -1);
        const QModelIndex from = grid->model()->index(block.top() - 1, block.left());
        const QModelIndex to = grid->model()->index(block.bottom() - 1, block.right());
        grid->setCurrentIndex(from);
        grid->selectionModel()->select(QItemSelection(from, to),
                                       QItemSelectionModel::ClearAndSelect);
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(grid.get(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), text);
    }

    void setRowCount_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("expected");
        QTest::newRow("shrink to the open row") << 2 << 2;
        QTest::newRow("same") << 5 << 5;
        QTest::newRow("grow") << 9 << 9;
        QTest::newRow("titles only") << 1 << 1;
        QTest::newRow("never below the title row") << -3 << 1;
    }
    void setRowCount()
    {
        QFETCH(int, count);
        QFETCH(int, expected);
        TColorStringGrid grid;
        grid.SetColCount(3);
        grid.SetRowCount(5);
        grid.SetCells(1, 0, QStringLiteral("title"));
        for (int r = 1; r < 5; ++r)
            grid.SetCells(1, r, QString::number(r * 10));
        grid.SetRowCount(count);
        QCOMPARE(grid.RowCount(), expected);
        QCOMPARE(grid.model()->rowCount(), expected - 1);
        QCOMPARE(grid.Cells(1, 0), QStringLiteral("title"));
        for (int r = 1; r < expected; ++r)
            QCOMPARE(grid.Cells(1, r), r < 5 ? QString::number(r * 10) : QString());
    }

    void setColCount_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("row1");
        QTest::newRow("more columns") << 6 << QStringList{"1", "a", "b", "c", "", ""};
        QTest::newRow("fewer columns") << 2 << QStringList{"1", "a"};
        QTest::newRow("one column") << 1 << QStringList{"1"};
        QTest::newRow("never below one") << 0 << QStringList{"1"};
    }
    void setColCount()
    {
        QFETCH(int, count);
        QFETCH(QStringList, row1);
        TColorStringGrid grid;
        grid.SetColCount(4);
        grid.SetRowCount(3);
        const QStringList cells{"1", "a", "b", "c"};
        for (int c = 0; c < 4; ++c) {
            grid.SetCells(c, 0, QStringLiteral("t%1").arg(c));
            grid.SetCells(c, 1, cells[c]);
        }
        grid.SetColCount(count);
        QCOMPARE(grid.ColCount(), row1.size());
        QCOMPARE(grid.model()->columnCount(), row1.size());
        QCOMPARE(grid.Rows().Line(0), row1.join(u'\t').toLatin1());
        QCOMPARE(grid.Rows().Line(1), QByteArray(row1.size() - 1, '\t'));
        for (int c = 0; c < row1.size(); ++c)
            QCOMPARE(grid.Cells(c, 0), c < 4 ? QStringLiteral("t%1").arg(c) : QString());
        QVERIFY(grid.isColumnHidden(0)); // the number column stays the fixed one
    }

    void columnWidths()
    {
        TColorStringGrid grid;
        grid.SetColCount(32);
        grid.SetDefaultColWidth(40);
        QCOMPARE(grid.ColWidths(0), 40);
        QCOMPARE(grid.ColWidths(31), 40);
        grid.SetColWidths(7, -1);
        grid.SetColWidths(8, 55);
        grid.SetColWidths(0, 20);
        QVERIFY(grid.isColumnHidden(7));
        QCOMPARE(grid.ColWidths(7), -1);
        QCOMPARE(grid.ColWidths(8), 55);
        QCOMPARE(grid.ColWidths(0), 20);
        QCOMPARE(grid.verticalHeader()->width(), 20);

        // Opening a file must not bring hidden columns back or lose widths.
        TRowStore rows(32);
        rows.AppendLine("1\tproba");
        grid.SetRows(rows);
        QCOMPARE(grid.ColWidths(7), -1);
        QCOMPARE(grid.ColWidths(8), 55);
        QCOMPARE(grid.Cells(1, 1), QStringLiteral("proba"));

        grid.SetColWidths(7, 30);
        QVERIFY(!grid.isColumnHidden(7));
        QCOMPARE(grid.ColWidths(7), 30);
        grid.SetColWidths(0, -1);
        QVERIFY(grid.verticalHeader()->isHidden());
        QCOMPARE(grid.ColWidths(0), -1);
        grid.SetColWidths(0, 25);
        QCOMPARE(grid.ColWidths(0), 25);
        grid.SetColWidths(0, -1);
        QCOMPARE(grid.DefaultColWidth(), 40);

        grid.SetColWidths(9, -1);
        grid.SetDefaultColWidth(50);
        for (int c = 0; c < 32; ++c)
            QCOMPARE(grid.ColWidths(c), 50);
        QCOMPARE(grid.DefaultColWidth(), 50);
        QCOMPARE(grid.horizontalHeader()->defaultSectionSize(), 50);
    }

    void clientWidthCoversNumberColumn()
    {
        auto grid = shownGrid();
        QVERIFY(grid);
        grid->SetRowCount(200); // brings in the vertical scroll bar
        QTRY_VERIFY(grid->verticalScrollBar()->isVisible());
        QCOMPARE(grid->GridClientWidth(),
                 grid->viewport()->width() + grid->verticalHeader()->width());
    }

    void editing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("on");
        QTest::newRow("F2, off") << "f2" << false;
        QTest::newRow("F2, on") << "f2" << true;
        QTest::newRow("typing, off") << "type" << false;
        QTest::newRow("typing, on") << "type" << true;
        QTest::newRow("double click, off") << "double" << false;
        QTest::newRow("double click, on") << "double" << true;
    }
    void editing()
    {
        QFETCH(QString, how);
        QFETCH(bool, on);
        auto grid = shownGrid();
        QVERIFY(grid);
        grid->SetCells(1, 2, QStringLiteral("old"));
        QList<std::pair<int, int>> asked;
        grid->OnGetEditText = [&](int col, int row, QString &value) {
            asked.append({col, row});
            value += QStringLiteral("+");
        };
        QStringList committed;
        grid->OnSetEditText = [&](int col, int row, const QString &value) {
            QCOMPARE(col, 1);
            QCOMPARE(row, 2);
            committed.append(value);
        };
        grid->SetEditing(on);
        grid->setCurrentIndex(grid->model()->index(1, 1));
        if (how == u"f2") {
            QTest::keyClick(grid.get(), Qt::Key_F2);
        } else if (how == u"type") {
            QTest::keyClick(grid.get(), Qt::Key_M, Qt::NoModifier);
        } else {
            const QPoint at = cellCentre(grid.get(), 1, 2);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        }
        QLineEdit *editor = openEditor(grid.get());
        QCOMPARE(grid->EditorOpen(), on);
        QCOMPARE(editor != nullptr, on);
        if (!on) {
            QVERIFY(asked.isEmpty());
            QCOMPARE(grid->Cells(1, 2), QStringLiteral("old"));
            return;
        }
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0], std::make_pair(1, 2));
        if (how == u"type")
            QCOMPARE(editor->text(), QStringLiteral("m")); // the key replaces the text
        else
            QCOMPARE(editor->text(), QStringLiteral("old+"));
        editor->selectAll();
        typeText(editor, QStringLiteral("Молоко漢 2"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!grid->EditorOpen()); // the view commits on a queued call
        QCOMPARE(committed, QStringList{QStringLiteral("Молоко 2")});
        QCOMPARE(grid->Cells(1, 2), QStringLiteral("Молоко 2"));
    }

    void editingSwitchedPerColumn()
    {
        // The registration windows let only the sample column be typed into.
        auto grid = shownGrid();
        QVERIFY(grid);
        grid->OnSelectCell = [&](int col, int, bool &) { grid->SetEditing(col == 1); };
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(grid.get(), 2, 1));
        QTest::keyClick(grid.get(), Qt::Key_7);
        QVERIFY(!grid->EditorOpen());
        QTest::keyClick(grid.get(), Qt::Key_Left);
        QVERIFY(grid->Editing());
        QTest::keyClick(grid.get(), Qt::Key_7);
        QVERIFY(grid->EditorOpen());
        QTest::keyClick(openEditor(grid.get()), Qt::Key_Down); // leaves the cell, keeps the 7
        QTRY_VERIFY(!grid->EditorOpen());
        QCOMPARE(grid->Cells(1, 1), QStringLiteral("7"));
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 1));
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(grid.get(), 3, 2));
        QVERIFY(!grid->EditorOpen());
        QCOMPARE(grid->Cells(3, 2), QString());
    }

    void switchingEditingOffEndsTheEdit()
    {
        auto grid = shownGrid();
        QVERIFY(grid);
        QString committed;
        grid->OnSetEditText = [&](int, int, const QString &value) { committed = value; };
        grid->SetEditing(true);
        grid->setCurrentIndex(grid->model()->index(0, 1));
        QTest::keyClick(grid.get(), Qt::Key_F2);
        QLineEdit *editor = openEditor(grid.get());
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("12"));
        grid->SetEditing(false);
        QVERIFY(!grid->EditorOpen());
        QCOMPARE(committed, QStringLiteral("12"));
        QCOMPARE(grid->Cells(1, 1), QStringLiteral("12"));
    }

    void selectCellMayRefuse()
    {
        auto grid = shownGrid();
        QVERIFY(grid);
        grid->setCurrentIndex(grid->model()->index(0, 1));
        QList<std::pair<int, int>> asked;
        grid->OnSelectCell = [&](int col, int row, bool &canSelect) {
            asked.append({col, row});
            canSelect = col != 3;
        };
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(grid.get(), 2, 3));
        QCOMPARE(grid->currentIndex(), grid->model()->index(2, 2));
        QTest::keyClick(grid.get(), Qt::Key_Right);
        QCOMPARE(grid->currentIndex(), grid->model()->index(2, 2));
        QCOMPARE(asked, (QList<std::pair<int, int>>{{2, 3}, {3, 3}}));
    }

    void validator_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("latin and digits") << "Sample 12" << true;
        QTest::newRow("cyrillic") << "Проба Ёё Ґґ Її" << true;
        QTest::newRow("euro sign, byte 0x88") << "10 €" << true;
        QTest::newRow("numero sign, byte 0xB9") << "№ 5" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("tab") << "a\tb" << false;
        QTest::newRow("carriage return") << "a\rb" << false;
        QTest::newRow("line feed") << "a\nb" << false;
        QTest::newRow("han") << "漢" << false;
        QTest::newRow("greek") << "α" << false;
        QTest::newRow("outside the BMP") << "🥛" << false;
        QTest::newRow("NUL") << QString("a") + QChar(0) + "b" << false;
        QTest::newRow("escape") << "a\x1b[0m" << false;
        QTest::newRow("C1 control, byte 0x98") << QString(QChar(0x98)) << false;
    }
    void validator()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        TCp1251Validator v;
        int pos = 0;
        QCOMPARE(v.validate(text, pos) == QValidator::Acceptable, accepted);
    }

    // A cell of a few thousand characters or more is drawn by its beginning, is not opened in
    // the editor (which would cut it to 32767 characters), and keeps its whole text.
    void giantCells_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("at the limit") << int(ShownText::MaxChars);
        QTest::newRow("one more") << int(ShownText::MaxChars) + 1;
        QTest::newRow("two million") << 2000000;
    }
    void giantCells()
    {
        QFETCH(int, size);
        auto grid = shownGrid();
        QVERIFY(grid);
        grid->SetEditing(true);
        const QString text = QString(size - 1, u'ж') + u'!';
        grid->SetCells(1, 1, text);
        QCOMPARE(grid->Cells(1, 1), text);

        TextCatcher catcher;
        {
            QPainter painter(&catcher);
            QStyleOptionViewItem option;
            option.initFrom(grid->viewport());
            option.rect = QRect(0, 0, 200, 20);
            grid->itemDelegate()->paint(&painter, option, grid->model()->index(0, 1));
        }
        const QString drawn = catcher.texts.join(QString());
        const bool whole = size <= ShownText::MaxChars;
        QVERIFY(drawn.size() <= ShownText::MaxChars + 1);
        QCOMPARE(drawn.endsWith(u'!'), whole);
        QCOMPARE(drawn.endsWith(QChar(0x2026)), !whole);
        QVERIFY(!grid->grab().isNull());

        grid->setCurrentIndex(grid->model()->index(0, 1));
        QTest::keyClick(grid.get(), Qt::Key_F2);
        QCOMPARE(grid->EditorOpen(), whole);
        if (whole)
            QTest::keyClick(openEditor(grid.get()), Qt::Key_Return);
        QCOMPARE(grid->Rows().CellBytes(1, 0).size(), qsizetype(size));
    }

    void cellColourHook()
    {
        auto grid = shownGrid();
        QVERIFY(grid);
        grid->setCurrentIndex(grid->model()->index(0, 1));
        QSet<std::pair<int, int>> dataCells;
        QSet<std::pair<int, int>> fixedCells;
        bool focusedSeen = false;
        grid->OnGetCellColor = [&](TColorStringGrid *sender, int row, int col, TGridDrawState state,
                                   QBrush &brush, QFont &) {
            QCOMPARE(sender, grid.get());
            (state & gdFixed ? fixedCells : dataCells).insert({row, col});
            focusedSeen = focusedSeen || (state & gdFocused && row == 1 && col == 1);
            if (row == 2 && col == 3)
                brush = QColor(255, 0, 0);
            if (row == 0 && col == 4)
                brush = QColor(0, 0, 255);
            if (row == 0 && col == 0)
                brush = QColor(0, 255, 0);
        };
        const QImage image = grid->grab().toImage();
        QVERIFY(dataCells.contains({2, 3}));
        QVERIFY(fixedCells.contains({0, 4}));
        QVERIFY(fixedCells.contains({3, 0}));
        QVERIFY(!dataCells.contains({2, 0})); // column 0 is the fixed one
        QVERIFY(focusedSeen);
        const QPoint red = grid->viewport()->mapTo(grid.get(), cellCentre(grid.get(), 3, 2));
        QCOMPARE(image.pixelColor(red), QColor(255, 0, 0));
        const QRect title(grid->horizontalHeader()->sectionViewportPosition(4), 0,
                          grid->columnWidth(4), grid->horizontalHeader()->height());
        const QPoint blue = grid->horizontalHeader()->mapTo(grid.get(), title.center());
        QCOMPARE(image.pixelColor(blue), QColor(0, 0, 255));
        QVERIFY(fixedCells.contains({0, 0})); // the corner over the number column
        QCOMPARE(image.pixelColor(grid->verticalHeader()->width() / 2 + grid->frameWidth(),
                                  grid->frameWidth() + 2),
                 QColor(0, 255, 0));
    }
};

QTEST_MAIN(TestStringGrid)
#include "tst_stringgrid.moc"
