// Results held after a control rejection in a registration window: the marked rows, the
// state in the status bar, the archive's rows, the exports' column, the operator's action
// that releases them, and the reminder that a control is due.

#include "ResultFeed.h"
#include "WindowTestSupport.h"
#include "controls/TElidedLabel.h"
#include "export/TExportTable.h"
#include "support/ArchiveSamples.h"
#include "text/QcStrings.h"
#include "text/Strings.h"
#include "windows/ControlStatus.h"
#include "windows/TArchiveLink.h"

namespace {

// Temperature (column 5) 20 ± 0.5 for labels that begin with "КМА".
const QString kControl = QStringLiteral("[Control]\r\n1.Name=Молоко А\r\n1.Prefix=КМА\r\n"
                                        "1.5=20;0.5\r\n");

} // namespace

class TestWindowHolds : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT
public:
    TestWindowHolds()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private:
    std::unique_ptr<TForm2> shown() { return archivedWindow(Str::ModelTarvo); }

    // "label=temperature", ten minutes apart; "+label" types the label on the last result
    // afterwards; "!comment" records an action.
    void play(TForm2 &w, ControlStatus &control, const QStringList &entries)
    {
        for (const QString &entry : entries) {
            if (entry.startsWith(u'!')) {
                control.AskAction = [entry](const QString &, const QString &, const QDateTime &) {
                    return std::optional<QString>(entry.mid(1));
                };
                control.recordAction();
                continue;
            }
            const bool after = entry.startsWith(u'+');
            const QString text = entry.section(u'=', 0, 0).mid(after ? 1 : 0);
            const double value = entry.section(u'=', 1).toDouble();
            const int row = w.MainGrid->RowCount() - 1;
            if (value != 0) {
                if (!after)
                    QVERIFY(typeLabel(w.MainGrid, row, text));
                feedResult(w, value);
            }
            if (after)
                QVERIFY(typeLabel(w.MainGrid, value != 0 ? row : row - 1, text));
            m_clock.now = m_clock.now.addSecs(600);
        }
    }

private slots:
    void init() { Prepare(); }
    void cleanup() { Finish(); }

    void held_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("rows");     // held grid rows
        QTest::addColumn<QString>("archived"); // held | actions | rejections, in the archive
        QTest::addColumn<QString>("status");
        const QString rejected = QStringLiteral(
            "Контроль: отклонение 1-3s (Температура) — результаты после 10:00 под вопросом");
        QTest::newRow("since the good control")
            << QStringList{"КМА-1=20", "П-1=25", "КМА-2=21.6", "П-2=25"} << "2 3 4"
            << "3|0|1" << rejected;
        QTest::newRow("a passing control keeps them")
            << QStringList{"КМА-1=20", "П-1=25", "КМА-2=21.6", "КМА-3=20"} << "2 3 4"
            << "3|0|1"
            << "Контроль: в норме; задержано результатов: 3 — нужно действие по контролю";
        QTest::newRow("the action releases")
            << QStringList{"КМА-1=20", "П-1=25", "КМА-2=21.6", "!повторили пробу", "П-2=25"} << ""
            << "2|1|1"
            << "Контроль: действие записано в 10:30, результаты выпущены";
        QTest::newRow("rejection taken back")
            << QStringList{"КМА-1=20", "КМА-2=21.6", "+П-2=0"} << ""
            << "1|0|1"
            << "Контроль: в норме";
    }
    void held()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, rows);
        QFETCH(QString, archived);
        QFETCH(QString, status);
        writeIni(kControl);
        auto w = shown();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        auto *control = w->findChild<ControlStatus *>();
        QVERIFY(control);
        play(*w, *control, entries);
        QStringList held;
        for (int r = 1; r < w->MainGrid->RowCount(); ++r) {
            if (!control->heldText(r).isEmpty())
                held << QString::number(r);
        }
        QCOMPARE(held.join(u' '), rows);
        QCOMPARE(control->label()->text(), status);
        if (!held.isEmpty())
            QCOMPARE(control->heldText(held[0].toInt()),
                     QStringLiteral("Результат задержан: отклонение 1-3s (Температура) в 10:20"));

        TExportTable table = ExportTableOf(*w->MainGrid->GridModel());
        const int columns = table.columnCount();
        w->ArchiveLink()->markExport(table);
        QCOMPARE(table.columnCount(), held.isEmpty() ? columns : columns + 1);

        RawArchive raw(w->ArchiveLink()->archive().path());
        // Each held result and the rejecting control are named by their archived records.
        QCOMPARE(raw.value("SELECT (SELECT count(*) FROM qc_holds JOIN records ON uid = "
                           "result_uid) || '|' || (SELECT count(*) FROM qc_actions) || '|' || "
                           "(SELECT count(*) FROM qc_evaluations JOIN records ON uid = "
                           "result_uid WHERE verdict = 'rejection')")
                     .toString(),
                 archived);
    }

    // The reminder follows the schedule: samples since the last control, minutes by the clock.
    void reminder_data()
    {
        QTest::addColumn<QString>("schedule");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("minutesLater");
        QTest::addColumn<bool>("due");
        QTest::newRow("two samples of two")
            << "EverySamples=2" << QStringList{"КМА-1=20", "П-1=25", "П-2=25"} << 0 << true;
        QTest::newRow("20 minutes of 30")
            << "EveryMinutes=30" << QStringList{"КМА-1=20"} << 10 << false;
        QTest::newRow("30 minutes of 30")
            << "EveryMinutes=30" << QStringList{"КМА-1=20"} << 20 << true;
    }
    void reminder()
    {
        QFETCH(QString, schedule);
        QFETCH(QStringList, entries);
        QFETCH(int, minutesLater);
        QFETCH(bool, due);
        writeIni(kControl + schedule + QStringLiteral("\r\n"));
        auto w = shown();
        auto *control = w->findChild<ControlStatus *>();
        QVERIFY(control);
        play(*w, *control, entries);
        m_clock.now = m_clock.now.addSecs(60 * minutesLater);
        control->refresh();
        QCOMPARE(control->label()->text().endsWith(Str::QcDueTail), due);
    }
};

WINDOW_TEST_MAIN(TestWindowHolds)
#include "tst_windowholds.moc"
