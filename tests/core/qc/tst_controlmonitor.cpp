// The window's control state over a real archive: the controls are read back from it, told
// apart by their labels as they read now and by the instrument, and judged in time order.

#include <QTemporaryDir>
#include <QTest>

#include "archive/TArchive.h"
#include "qc/ControlHistory.h"
#include "support/ArchiveSamples.h"

namespace {

constexpr int FatCol = 6; // value 1

ControlMaterials materials()
{
    ControlMaterials list;
    ControlMaterial a;
    a.name = QStringLiteral("Молоко А");
    a.prefix = QStringLiteral("КМА");
    a.setTarget(FatCol, {3.52, 0.03});
    ControlMaterial b; // a shorter prefix that the first one's labels also begin with
    b.name = QStringLiteral("Молоко Б");
    b.prefix = QStringLiteral("км");
    b.setTarget(FatCol, {4.0, 0.05});
    list.append(a);
    list.append(b);
    return list;
}

} // namespace

class TestControlMonitor : public QObject
{
    Q_OBJECT
private slots:
    // Each entry is "label=fat", taken ten minutes after the one before; "@" marks a result
    // of the other instrument, "label=fat>new" a label changed afterwards.
    void stateFromArchive_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("expected");
        const QString after = QStringLiteral("Контроль: отклонение %1 (Жир) — результаты после "
                                             "%2 под вопросом");
        QTest::newRow("no control") << QStringList{"П-1=3.9"} << "Контроль: нет данных";
        QTest::newRow("1-2s") << QStringList{"кма-1=3.52", " КМА-2=3.59"}
                              << "Контроль: предупреждение 1-2s (Жир)";
        QTest::newRow("1-3s, samples between")
            << QStringList{"КМА-1=3.52", "П-1=5", "КМА-2=3.62"} << after.arg("1-3s", "10:00");
        QTest::newRow("2-2s after a warning")
            << QStringList{"КМА-1=3.52", "КМА-2=3.59", "КМА-3=3.59"} << after.arg("2-2s", "10:10");
        QTest::newRow("rejections keep the good one")
            << QStringList{"КМА-1=3.5", "КМА-2=3.65", "КМА-3=3.65"}
            << after.arg("1-3s, 2-2s", "10:00");
        QTest::newRow("no good control before")
            << QStringList{"КМА-1=3.65"}
            << "Контроль: отклонение 1-3s (Жир) — принятого контроля до него нет, результаты "
               "под вопросом";
        QTest::newRow("good again")
            << QStringList{"КМА-1=3.65", "КМА-2=3.52"} << "Контроль: в норме";
        QTest::newRow("nested prefixes apart")
            << QStringList{"КМА-1=3.52", "КМ-1=4", "КМА-2=3.52"} << "Контроль: в норме";
        QTest::newRow("other instrument")
            << QStringList{"КМА-1=3.59@", "КМА-2=3.59"} << "Контроль: предупреждение 1-2s (Жир)";
        QTest::newRow("labelled a control afterwards")
            << QStringList{"КМА-1=3.52", "П-1=3.59>КМА-2", "КМА-3=3.59"}
            << after.arg("2-2s", "10:10");
        QTest::newRow("control label taken back")
            << QStringList{"КМА-1=3.65>П-1"} << "Контроль: нет данных";
        QTest::newRow("prefix inside a label")
            << QStringList{"П-КМА=3.65"} << "Контроль: нет данных";
    }
    void stateFromArchive()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        TArchive archive;
        QVERIFY(archive.open(dir.path()));
        ControlMonitor monitor(materials(), [&](int m) {
            return ControlHistory::read(archive, materials(), m, Str::ModelTarvo);
        });
        QDateTime at = day(3, 10);
        for (const QString &entry : entries) {
            const QString label = entry.section(u'=', 0, 0);
            const QString rest = entry.section(u'=', 1);
            const bool other = rest.contains(u'@');
            TArchiveResult r = sampleResult(label, at, other ? Str::ModelMirel : Str::ModelTarvo);
            r.values[1] = rest.section(u'>', 0, 0).remove(u'@').toDouble();
            const QUuid id = archive.appendResult(r);
            monitor.labelled(label);
            if (rest.contains(u'>')) {
                const QString now = rest.section(u'>', 1);
                archive.appendLabelChange({id, 1, label, now, at.addSecs(60), {}, {}});
                monitor.relabelled(now);
            }
            at = at.addSecs(600);
        }
        QCOMPARE(archive.pendingCount(), 0);
        const auto title = [](int col) { return col == FatCol ? "Жир" : "?"; };
        QCOMPARE(ControlMonitor::describe(monitor.state(), title), expected);
        // An archive that cannot be read leaves the state unknown, never "in control".
        archive.close();
        monitor.rejudge();
        const bool judged = monitor.state().kind != QcState::NoData;
        QCOMPARE(monitor.hasUnread(), judged);
    }

    // A last good control of another day is named with its date.
    void lastGoodOfAnotherDay()
    {
        QcState s{QcState::Rejection, {{FatCol, "1-3s"}}, day(4, 8, 5), day(3, 17, 40)};
        QCOMPARE(ControlMonitor::describe(s, [](int) { return "Жир"; }),
                 "Контроль: отклонение 1-3s (Жир) — результаты после 03.03 17:40 под вопросом");
    }
};

QTEST_GUILESS_MAIN(TestControlMonitor)
#include "tst_controlmonitor.moc"
