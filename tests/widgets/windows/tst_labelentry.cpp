// The label column at work: a paste is cleaned or refused with a reason, a list of labels goes
// down the column and waits in a queue for results still to come, and a barcode scanner
// labels the open row while typing by hand goes where it always went.

#include <memory>
#include <utility>

#include <QClipboard>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include "ResultFeed.h"
#include "WindowTestSupport.h"
#include "table/TableShape.h"
#include "text/Strings.h"
#include "windows/TLabelEntry.h"
#include "windows/TLabelQueueDialog.h"

class TestLabelEntry : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT

public:
    TestLabelEntry()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private:
    // A shown window with two results, labelled "old1" and "old2", and the open row 3.
    std::unique_ptr<TForm2> twoResults()
    {
        auto w = window();
        feedResult(*w, 20);
        feedResult(*w, 21);
        w->MainGrid->SetCells(1, 1, QStringLiteral("old1"));
        w->MainGrid->SetCells(1, 2, QStringLiteral("old2"));
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            return nullptr;
        w->activateWindow();
        w->MainGrid->setFocus();
        return w;
    }
    static void select(TColorStringGrid *grid, int row)
    {
        grid->setCurrentIndex(grid->model()->index(TableShape::storeRow(row), 1));
    }
    static QLineEdit *openEditor(TColorStringGrid *grid, int row)
    {
        select(grid, row);
        QTest::keyClick(grid, Qt::Key_F2);
        return grid->EditorOpen() ? grid->findChild<QLineEdit *>() : nullptr;
    }
    static QStringList labels(const TColorStringGrid *grid)
    {
        QStringList out;
        for (int r = 1; r < grid->RowCount(); ++r)
            out << grid->Cells(1, r);
        return out;
    }
    static QString queueText(TForm2 &w)
    {
        auto *label = w.findChild<QToolButton *>(QStringLiteral("labelQueue"));
        return label && label->isVisible() ? label->text() : QString();
    }

    // A click on the queue's button: the labels the list shows, then "Очистить очередь"; "open"
    // when the list is still open after it.
    static QStringList listedQueue(TForm2 &w)
    {
        QStringList shown;
        QTimer::singleShot(0, [&shown] {
            auto *d = qobject_cast<TLabelQueueDialog *>(QApplication::activeModalWidget());
            if (!d)
                return;
            for (int i = 0; i < d->list()->count(); ++i)
                shown << d->list()->item(i)->text();
            d->clearButton()->click();
            if (d->isVisible()) {
                shown << QStringLiteral("open");
                d->reject();
            }
        });
        w.findChild<QToolButton *>(QStringLiteral("labelQueue"))->click();
        return shown;
    }

private slots:
    void init() { Prepare(); }
    void cleanup()
    {
        QToolTip::hideText();
        Finish();
    }

    void pasteIntoEditor_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("tip"); // what the tooltip says, if one shows
        QTest::newRow("TABs and a trailing line end") << "P\t17\r\n"
                                                      << "P 17"
                                                      << "";
        QTest::newRow("a character the file cannot hold")
            << "Проба 漢"
            << "old1" << Str::LabelCharRefused.arg(QStringLiteral("漢"));
        QTest::newRow("one beyond 16 bits")
            << "🥛"
            << "old1" << Str::LabelCharRefused.arg(QStringLiteral("🥛"));
    }
    // Enter then takes the text and moves to the next row's label, as in a spreadsheet.
    void pasteIntoEditor()
    {
        QFETCH(QString, clip);
        QFETCH(QString, cell);
        QFETCH(QString, tip);
        auto w = twoResults();
        QVERIFY(w);
        QLineEdit *editor = openEditor(w->MainGrid, 1);
        QVERIFY(editor);
        editor->selectAll();
        QGuiApplication::clipboard()->setText(clip);
        QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), tip);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!w->MainGrid->EditorOpen());
        QCOMPARE(w->MainGrid->Cells(1, 1), cell);
        QCOMPARE(w->MainGrid->currentIndex().row(), TableShape::storeRow(2));
        QCOMPARE(w->MainGrid->currentIndex().column(), 1);
    }

    void listGoesDownAndWaits_data()
    {
        QTest::addColumn<bool>("inEditor");
        QTest::newRow("on a cell") << false;
        QTest::newRow("in the cell's editor") << true;
    }
    void listGoesDownAndWaits()
    {
        QFETCH(bool, inEditor);
        auto w = twoResults();
        QVERIFY(w);
        TColorStringGrid *grid = w->MainGrid;
        // One label the file cannot hold refuses the whole list.
        QGuiApplication::clipboard()->setText(QStringLiteral("a\nγ\nd\ne\n"));
        select(grid, 1);
        QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(labels(grid), (QStringList{"old1", "old2", ""}));
        QCOMPARE(QToolTip::text(), Str::LabelCharRefused.arg(QStringLiteral("γ")));
        QGuiApplication::clipboard()->setText(QStringLiteral("x\r\ny\tz\r\n\r\nq\nw\n"));
        if (inEditor)
            QTest::keyClick(openEditor(grid, 2), Qt::Key_V, Qt::ControlModifier);
        else {
            select(grid, 2);
            QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
        }
        QVERIFY(!grid->EditorOpen());
        QCOMPARE(labels(grid), (QStringList{"old1", "x", "y z"}));
        QCOMPARE(w->findChild<TLabelEntry *>()->queue(), (QStringList{"q", "w"}));
        QCOMPARE(queueText(*w), Str::LabelQueue.arg(2));
        QVERIFY(w->Changed());

        // Each result takes the open row's label; the next one waits in the new open row.
        feedResult(*w, 22);
        QCOMPARE(labels(grid), (QStringList{"old1", "x", "y z", "q"}));
        QCOMPARE(queueText(*w), Str::LabelQueue.arg(1));
        feedResult(*w, 23);
        feedResult(*w, 24);
        QCOMPARE(labels(grid), (QStringList{"old1", "x", "y z", "q", "w", ""}));
        QCOMPARE(queueText(*w), QString());
        QCOMPARE(temperatures(grid).size(), 5);

        // The status bar shows the queue in the order the results take it; a list pasted by
        // mistake is let go from there, once the operator says so.
        select(grid, grid->RowCount() - 1);
        QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier); // one into the open row, 3 wait
        m_boxes.answers = {QMessageBox::No, QMessageBox::Yes};
        const QStringList listed{"1. y z", "2. q", "3. w"};
        QCOMPARE(listedQueue(*w), listed + QStringList{QStringLiteral("open")});
        QCOMPARE(queueText(*w), Str::LabelQueue.arg(3));
        QCOMPARE(listedQueue(*w), listed);
        QCOMPARE(queueText(*w), QString());
        QCOMPARE(m_boxes.texts().last(), Str::LabelQueueClear.arg(3));
    }

    // With no editor open, keys come faster than a person types them and Enter ends them: a
    // code for the open row. A person's keys, even handled late and together (the keyboard's
    // times tell), or one key and a pause, open the current cell's editor as they always did.
    void scannerAndPerson_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("gap"); // ms between keys by the keyboard's clock; 0: a real pause
        QTest::addColumn<QStringList>("after");
        QTest::newRow("a scanner") << "4600123" << 4 << QStringList{"old1", "old2", "4600123"};
        QTest::newRow("a person, handled late") << "P-7" << 120 << QStringList{"P-7", "old2", ""};
        QTest::newRow("a person's pause") << "Q-12" << 0 << QStringList{"Q-12", "old2", ""};
        QTest::newRow("a quick two keys") << "ab" << 4 << QStringList{"ab", "old2", ""};
    }
    void scannerAndPerson()
    {
        QFETCH(QString, keys);
        QFETCH(int, gap);
        QFETCH(QStringList, after);
        auto w = twoResults();
        QVERIFY(w);
        TColorStringGrid *grid = w->MainGrid;
        select(grid, 1);
        ulong t = 1000;
        bool first = true;
        const auto send = [&](int code, const QString &text) {
            QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
            press.setTimestamp(t += ulong(gap));
            QWidget *to = grid;
            if (grid->EditorOpen())
                to = grid->findChild<QLineEdit *>();
            QCoreApplication::sendEvent(to, &press);
            if (gap == 0 && std::exchange(first, false))
                QTRY_VERIFY(grid->EditorOpen()); // the person's pause
        };
        for (QChar c : keys)
            send(Qt::Key_unknown, QString(c));
        send(Qt::Key_Return, QString());
        QTRY_VERIFY(!grid->EditorOpen());
        QCOMPARE(labels(grid), after);
        QVERIFY(w->Changed());
    }
};

WINDOW_TEST_MAIN(TestLabelEntry)
#include "tst_labelentry.moc"
