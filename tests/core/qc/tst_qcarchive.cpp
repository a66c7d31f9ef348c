// The quality-control rows of a real archive: what an evaluation, a hold and an action keep,
// that none of them can be changed or removed, and that an action answers its rejection
// again after the program starts anew.

#include <QTemporaryDir>
#include <QTest>

#include "archive/TArchive.h"
#include "qc/QcArchive.h"
#include "support/ArchiveSamples.h"

namespace {

constexpr int FatCol = 6;

ControlMaterial material()
{
    ControlMaterial m;
    m.name = QStringLiteral("Молоко А");
    m.lot = QStringLiteral("L-7");
    m.prefix = QStringLiteral("КМА");
    m.setTarget(FatCol, {3.52, 0.03});
    return m;
}

QcState rejection()
{
    QcState s;
    s.kind = QcState::Rejection;
    s.at = day(3, 10, 20);
    s.lastGood = day(3, 10, 10);
    s.reasons = {{FatCol, QStringLiteral("1-3s")}};
    s.values = {{FatCol, 3.64}};
    return s;
}

} // namespace

class TestQcArchive : public QObject
{
    Q_OBJECT
private slots:
    // Written once, every row is kept as written.
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
        QSqlDatabase db = archive.sideTables();
        QSqlError error;
        const qint64 id = QcArchive::writeEvaluation(db, rejection(), material(),
                                                     QUuid::createUuid(), day(3, 10, 21), &error);
        QVERIFY2(id > 0, qPrintable(error.text()));
        QVERIFY(QcArchive::writeHold(db, QUuid::createUuid(), id, day(3, 10, 21), &error));
        QcHold hold;
        hold.lastGood = rejection().lastGood;
        QVERIFY(QcArchive::writeAction(db, QStringLiteral("petrova"), QStringLiteral("повтор"),
                                       hold, id, day(3, 10, 30), &error)
                > 0);
        RawArchive raw(archive.path());
        QCOMPARE(raw.value("SELECT printf('%s|%s|%s|%.2f|%.1f|%s', e.material, e.lot, e.verdict, "
                           "c.value, c.z, c.rules) FROM qc_evaluations e "
                           "JOIN qc_evaluation_columns c ON c.evaluation_id = e.id")
                     .toString(),
                 QStringLiteral("Молоко А|L-7|rejection|3.64|4.0|1-3s"));
        QVERIFY(!raw.exec(sql));
        QCOMPARE(raw.value("SELECT count(*) FROM qc_evaluations e JOIN qc_evaluation_columns c "
                           "JOIN qc_holds h JOIN qc_actions a WHERE e.verdict = 'rejection' "
                           "AND a.comment = 'повтор'")
                     .toInt(),
                 1);
    }

    // Started again, the rejection the monitor reports anew holds only when no action
    // answered it.
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
            QSqlDatabase db = archive.sideTables();
            QSqlError error;
            const qint64 id = QcArchive::writeEvaluation(db, rejection(), material(), QUuid(),
                                                         day(3, 10, 21), &error);
            QVERIFY(id > 0);
            if (acted)
                QVERIFY(QcArchive::writeAction(db, QStringLiteral("petrova"),
                                               QStringLiteral("калибровка"), std::nullopt, id,
                                               day(3, 10, 30), &error)
                        > 0);
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
