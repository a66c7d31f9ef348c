// The control state in a registration window's status bar: shown only when the settings
// name a control material, judged from the archive as control results come and as their
// labels are typed, before or after the result.

#include <QAction>
#include <QStatusBar>

#include "ResultFeed.h"
#include "WindowTestSupport.h"
#include "controls/TElidedLabel.h"
#include "table/TableShape.h"
#include "text/Strings.h"
#include "windows/TArchiveLink.h"

namespace {

// Temperature (column 5) 20 ± 0.5 for labels that begin with "КМА".
const QString kControl = QStringLiteral("[Control]\r\n1.Name=Молоко А\r\n1.Prefix=КМА\r\n"
                                        "1.5=20;0.5\r\n");

QStringList barWidgets(QMainWindow &w)
{
    QStringList names;
    for (QWidget *child : w.statusBar()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        names << QString::fromLatin1(child->metaObject()->className()) + u':' + child->objectName();
    return names;
}

} // namespace

class TestWindowControl : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT
public:
    TestWindowControl()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private:
    std::unique_ptr<TForm2> shown() { return archivedWindow(Str::ModelTarvo); }

private slots:
    void init() { Prepare(); }
    void cleanup() { Finish(); }

    void onlyWithMaterials_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<bool>("shows");
        QTest::newRow("other sections") << "[Limits]\r\n6=2.8;6\r\n" << false;
        QTest::newRow("schedule alone") << "[Control]\r\nEverySamples=50\r\n" << false;
        QTest::newRow("material without prefix") << "[Control]\r\n1.Name=А\r\n1.5=20;1\r\n"
                                                 << false;
        QTest::newRow("one material") << "[Limits]\r\n6=2.8;6\r\n" + kControl << true;
    }
    void onlyWithMaterials()
    {
        QFETCH(QString, ini);
        QFETCH(bool, shows);
        writeIni(ini.section(QStringLiteral("[Control]"), 0, 0));
        const QStringList before = barWidgets(*shown());
        writeIni(ini);
        auto w = shown();
        QStringList now = barWidgets(*w);
        QCOMPARE(now.removeAll(QStringLiteral("TElidedLabel:ControlStatus")), shows ? 1 : 0);
        QCOMPARE(now, before);
    }

    // "label=temperature", ten minutes apart; a "+" types the label after the result came.
    void stateAfterControls_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("trouble");
        QTest::newRow("no control yet") << QStringList{"П-1=25"} << "Контроль: нет данных" << false;
        QTest::newRow("warning, labelled after")
            << QStringList{"КМА-1=20", "П-1=25", "+кма-2=21.2"}
            << "Контроль: предупреждение 1-2s (Температура)" << false;
        QTest::newRow("rejection")
            << QStringList{"КМА-1=20", "+КМА-2=21.6"}
            << "Контроль: отклонение 1-3s (Температура) — результаты после 10:00 под вопросом"
            << true;
        QTest::newRow("rejection taken back")
            << QStringList{"КМА-1=20", "КМА-2=21.6", "+П-2=0"} << "Контроль: в норме" << false;
    }
    void stateAfterControls()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, expected);
        QFETCH(bool, trouble);
        writeIni(kControl);
        auto w = shown();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        auto *label = w->findChild<TElidedLabel *>(QStringLiteral("ControlStatus"));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("Контроль: нет данных"));
        for (const QString &entry : entries) {
            const bool after = entry.startsWith(u'+');
            const QString text = entry.section(u'=', 0, 0).mid(after ? 1 : 0);
            const double value = entry.section(u'=', 1).toDouble();
            const int row = w->MainGrid->RowCount() - 1;
            if (value != 0) {
                if (!after)
                    QVERIFY(typeLabel(w->MainGrid, row, text));
                feedResult(*w, value);
            }
            if (after) // on the last row that holds a result
                QVERIFY(typeLabel(w->MainGrid, value != 0 ? row : row - 1, text));
            m_clock.now = m_clock.now.addSecs(600);
        }
        QCOMPARE(label->text(), expected);
        QCOMPARE(label->palette().color(QPalette::WindowText) == QColor(0xb0, 0, 0), trouble);
    }

    // "Контроль" labels the open row as the next control, and the result it takes is judged.
    void markOpenRow()
    {
        writeIni(kControl);
        auto w = shown();
        auto *mark = w->findChild<QAction *>(QStringLiteral("actQcMark1"));
        QVERIFY(mark);
        QCOMPARE(mark->text(), QStringLiteral("Контроль"));
        const auto label = w->findChild<TElidedLabel *>(QStringLiteral("ControlStatus"));
        for (const QString &expected : {QStringLiteral("КМА-1"), QStringLiteral("КМА-2")}) {
            mark->trigger();
            QCOMPARE(w->MainGrid->Cells(TableShape::LabelCol, w->MainGrid->RowCount() - 1),
                     expected);
            feedResult(*w, 20);
            m_clock.now = m_clock.now.addSecs(600);
        }
        QCOMPARE(label->text(), QStringLiteral("Контроль: в норме"));
    }
};

WINDOW_TEST_MAIN(TestWindowControl)
#include "tst_windowcontrol.moc"
