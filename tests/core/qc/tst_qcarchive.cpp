// The quality-control rows of a real archive: what they keep, that none of them can be
// changed or removed, and that an action answers its rejection after the program starts anew.

#include <QTemporaryDir>
#include <QTest>

#include "archive/TArchive.h"
#include "qc/QcArchive.h"
#include "support/ArchiveSamples.h"

namespace {

QcState rejection()
{
    QcState s;
    s.kind = QcState::Rejection;
    s.at = day(3, 10, 20);
    s.lastGood = day(3, 10, 10);
    s.reasons = {{6, QStringLiteral("1-3s")}};
    s.values = {{6, 3.64}};
    return s;
}

// A rejection of fat (column 6), one result it held and, when `acted`, the action on it.
bool writeRows(TArchive &archive, bool acted)
{
    ControlMaterial m;
    m.name = QStringLiteral("Молоко А");
    m.setTarget(6, {3.52, 0.03});
    m.setTarget(7, {8.5, 0.1}); // judged, but no rule broken
    const QSqlDatabase db = archive.sideTables();
    QSqlError error;
    const qint64 id = QcArchive::writeEvaluation(db, rejection(), m, QUuid::createUuid(),
                                                 day(3, 10, 21), &error);
    return id > 0 && QcArchive::writeHold(db, QUuid::createUuid(), id, day(3, 10, 21), &error)
           && (!acted
               || QcArchive::writeAction(db, QString(), QStringLiteral("повтор"), std::nullopt, id,
                                         day(3, 10, 30), &error)
                      > 0);
}

} // namespace

class TestQcArchive : public QObject
{
    Q_OBJECT
private slots:
    void appendOnly_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("evaluation changed") << "UPDATE qc_evaluations SET verdict = 'in control'";
        QTest::newRow("column removed") << "DELETE FROM qc_evaluation_columns";
        QTest::newRow("hold removed") << "DELETE FROM qc_holds";
        QTest::newRow("comment changed") << "UPDATE qc_actions SET comment = 'x'";
    }
    void appendOnly()
    {
        QFETCH(QString, sql);
        QTemporaryDir dir;
        TArchive archive;
        QVERIFY(archive.open(dir.path()));
        QVERIFY(writeRows(archive, true));
        RawArchive raw(archive.path());
        QVERIFY(!raw.exec(sql));
        QCOMPARE(raw.value("SELECT group_concat(e.verdict || '|' || e.lot || '|' || "
                           "coalesce(round(c.value, 2), '-') || '|' || coalesce(round(c.z, 1), "
                           "'-') || '|' || c.rules, ' ') FROM qc_evaluations e "
                           "JOIN qc_evaluation_columns c ON c.evaluation_id = e.id")
                     .toString(),
                 QStringLiteral("rejection||3.64|4.0|1-3s rejection||-|-|"));
    }

    void answeredAfterRestart_data()
    {
        QTest::addColumn<bool>("acted");
        QTest::newRow("no action") << false;
        QTest::newRow("action recorded") << true;
    }
    void answeredAfterRestart()
    {
        QFETCH(bool, acted);
        QTemporaryDir dir;
        {
            TArchive archive;
            QVERIFY(archive.open(dir.path()));
            QVERIFY(writeRows(archive, acted));
            archive.close();
        }
        TArchive archive;
        QVERIFY(archive.open(dir.path()));
        QcHolds holds;
        if (const std::optional<QcHold> released = QcArchive::lastRelease(archive.sideTables()))
            holds.restore(*released);
        holds.judged(rejection());
        QCOMPARE(holds.isHeld(day(3, 10, 15)), !acted);
    }
};

QTEST_GUILESS_MAIN(TestQcArchive)
#include "tst_qcarchive.moc"
