#include <memory>

#include <QDir>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>

#include "archive/TArchive.h"
#include "server/ServerSchema.h"
#include "server/TServerReplicator.h"
#include "support/ArchiveSamples.h"
#include "support/OldArchive.h"
#include "support/PgCluster.h"

// What the server keeps: every station's chain, checked on insert and by an auditor's query,
// rows only under the role's own stations, every record (a conflict told, a deletion made good).
class TestServerChain : public QObject
{
    Q_OBJECT

    std::unique_ptr<PgCluster> m_pg;
    QTemporaryDir m_dir;

    ServerLink::Limits quick() const
    {
        ServerLink::Limits l;
        l.idleMs = 50;
        l.firstRetryMs = 100;
        l.longestRetryMs = 400;
        l.auditMs = 300;
        return l;
    }
    std::unique_ptr<TArchive> archive(const QString &station, int results)
    {
        auto a = std::make_unique<TArchive>();
        a->setStation(station);
        QDir().mkpath(m_dir.filePath(station));
        if (!a->open(m_dir.filePath(station)))
            return nullptr;
        for (int i = 0; i < results; ++i)
            a->appendResult(sampleResult(QStringLiteral("Проба %1").arg(i), day(5, 8, i)));
        return a;
    }
    QString sql(const QString &text)
    {
        QString out;
        return m_pg->psql(text, &out) ? out : QStringLiteral("error: ") + m_pg->error();
    }
    QString onServer(const QString &station)
    {
        return sql(QStringLiteral("SELECT count(*) || '|' || COALESCE(max(seq), 0) FROM "
                                  "reg01_records WHERE station = '%1'")
                       .arg(station));
    }
    // "records|first bad number", as the README's query answers.
    QString audit(const QString &station)
    {
        QFile readme(QStringLiteral(REG01_SOURCE_DIR "/README.md"));
        if (!readme.open(QIODevice::ReadOnly))
            return QStringLiteral("no README");
        const QString text = QString::fromUtf8(readme.readAll());
        const qsizetype at = text.indexOf("```sql", text.indexOf("An auditor checks"));
        QString query = text.mid(at + 6, text.indexOf("```", at + 6) - at - 6);
        return sql(query.replace("'line-1'", "'" + station + "'"));
    }
    QString as(const QString &role) const
    {
        return m_pg->connectionString().replace("user=reg01", "user=" + role);
    }

private slots:
    void initTestCase()
    {
        m_pg = std::make_unique<PgCluster>();
        if (!m_pg->available())
            QSKIP("PostgreSQL is not installed (scripts/install-deps.sh)");
        QVERIFY2(m_pg->start(), qPrintable(m_pg->error()));
        // A password file for the owner and two stations' roles.
        QVERIFY(m_pg->usePassFile(m_dir.filePath("pgpass"), {"reg01", "st_north", "st_south"}));
    }

    // A server of the first version with a station's records: chained where they stand, so
    // the station's next records continue them; then the stations' roles as the README has.
    void olderServerIsChained()
    {
        QDir().mkpath(m_dir.filePath("old"));
        QVERIFY(writeVersion2Archive(m_dir.filePath("old/reg01.sqlite"), "old", 3));
        auto a = std::make_unique<TArchive>();
        a->setStation("old");
        QVERIFY(a->open(m_dir.filePath("old")));
        {
            TServerReplicator rep(a->path(), m_pg->connectionString(), quick());
            QTRY_VERIFY_WITH_TIMEOUT(rep.synchronized(), 20000);
        }
        QCOMPARE(audit("old"), QStringLiteral("9|"));
        const QString v1 = "station, seq, uid, kind, at_ms, at_iso, received, model, port, "
                           "device, date_text, time_text, grp, label, folded, cells, raw, "
                           + ArchiveSchema::valueColumns()
                           + ", result_seq, row_no, old_text, new_text, os_user, file_name, "
                             "event, row_count";
        QVERIFY(m_pg->psql("CREATE TABLE kept AS SELECT * FROM reg01_records; "
                           "DROP TABLE reg01_records, reg01_schema, reg01_station_roles, "
                           "reg01_station_archives CASCADE"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "owner");
            db.setConnectOptions(m_pg->connectionString());
            QSqlError e;
            QVERIFY(db.open() && ServerSchema::migrate(db, &e, 1));
            QCOMPARE(ServerSchema::version(db, &e), 1);
        }
        QSqlDatabase::removeDatabase("owner");
        QVERIFY(m_pg->psql(
            QString("INSERT INTO reg01_records (%1) SELECT %1 FROM kept; DROP TABLE kept").arg(v1)));
        a->appendResult(sampleResult("после", day(6)));
        TServerReplicator rep(a->path(), m_pg->connectionString(), quick());
        QTRY_VERIFY_WITH_TIMEOUT(rep.synchronized(), 20000);
        QCOMPARE(audit("old"), QStringLiteral("10|"));
        QVERIFY(m_pg->psql(
            "CREATE ROLE st_north LOGIN PASSWORD 'station-secret'; "
            "CREATE ROLE st_south LOGIN PASSWORD 'station-secret'; "
            "GRANT SELECT ON reg01_schema TO st_north, st_south; "
            "GRANT SELECT, INSERT ON reg01_records TO st_north, st_south; "
            "INSERT INTO reg01_station_roles VALUES ('st_north', 'north'), ('st_south', 'south')"));
    }

    // Rows that do not continue their station's chain are refused, whoever sends them.
    void unchainedRowsRefused_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<qint64>("seq");
        QTest::newRow("station's role, hash made up") << "st_north" << qint64(1);
        QTest::newRow("owner, ahead of the chain") << "reg01" << qint64(5);
    }
    void unchainedRowsRefused()
    {
        QFETCH(QString, role);
        QFETCH(qint64, seq);
        const QString text = sql(QStringLiteral("SET ROLE %1; INSERT INTO reg01_records (station, "
                                                "seq, uid, kind, at_ms, at_iso, prev, hash) "
                                                "VALUES ('north', %2, 'u', 'file', 0, '', "
                                                "decode(repeat('00', 32), 'hex'), "
                                                "decode(repeat('00', 32), 'hex'))")
                                     .arg(role)
                                     .arg(seq));
        QVERIFY2(text.contains("does not continue its chain"), qPrintable(text));
        QCOMPARE(onServer("north"), QStringLiteral("0|0"));
    }

    // Another station's role sending well-chained records under this station's name.
    void otherStationsRoleRefused()
    {
        auto a = archive("north", 3);
        QVERIFY(a);
        TServerReplicator rep(a->path(), as("st_south"), quick());
        QTRY_VERIFY_WITH_TIMEOUT(rep.lastError().contains(QStringLiteral("не допускает")), 20000);
        QVERIFY(rep.statusText().contains(QStringLiteral("«north»")));
        QCOMPARE(onServer("north"), QStringLiteral("0|0"));
    }

    // Rows put under a station's coming numbers past every check, new ones or copies of the
    // station's own with other contents: its records are not dropped in their favour but
    // wait, and the status says why, in red.
    void preemptedNumbersTold_data()
    {
        QTest::addColumn<bool>("copiesUid");
        QTest::addColumn<QString>("told");
        QTest::newRow("numbers taken") << false << "другой архив";
        QTest::newRow("records altered") << true << "другая запись";
    }
    void preemptedNumbersTold()
    {
        QFETCH(bool, copiesUid);
        QFETCH(QString, told);
        const QString station = QStringLiteral("south-%1").arg(copiesUid);
        auto a = archive(station, 3);
        QVERIFY(a);
        RawArchive raw(a->path());
        for (int seq = 1; seq <= 3; ++seq) {
            const QString uid
                = copiesUid
                      ? QUuid::fromRfc4122(
                            raw.value(QString("SELECT uid FROM records WHERE seq = %1").arg(seq))
                                .toByteArray())
                            .toString(QUuid::WithoutBraces)
                      : QStringLiteral("forged");
            QVERIFY(m_pg->psql(QString("SET session_replication_role = replica; "
                                       "INSERT INTO reg01_records (station, seq, uid, kind, "
                                       "at_ms, at_iso) VALUES ('%1', %2, '%3', 'file', 0, '')")
                                   .arg(station)
                                   .arg(seq)
                                   .arg(uid)));
        }
        TServerReplicator rep(a->path(), m_pg->connectionString(), quick());
        QTRY_VERIFY_WITH_TIMEOUT(rep.lastError().contains(told), 20000);
        QVERIFY(!rep.synchronized());
        QCOMPARE(sql(QString("SELECT count(*) FROM reg01_records WHERE station = '%1' "
                             "AND kind = 'file'")
                         .arg(station)),
                 QStringLiteral("3"));
    }

    // The station's own role sends its records; what an administrator deletes comes back.
    void deletedRecordsResent()
    {
        auto a = archive("north", 0); // three records already from the refused attempt
        QVERIFY(a);
        for (int i = 3; i < 42; ++i)
            a->appendFileEvent({TArchiveFileEvent::Save, QString::number(i), i, {}});
        TServerReplicator rep(a->path(), as("st_north"), quick());
        QTRY_VERIFY_WITH_TIMEOUT(rep.synchronized(), 20000);
        QCOMPARE(onServer("north"), QStringLiteral("42|42"));
        QVERIFY(m_pg->psql("DELETE FROM reg01_records WHERE station = 'north' "
                           "AND seq IN (17, 18, 42)"));
        QTRY_COMPARE_WITH_TIMEOUT(onServer("north"), QStringLiteral("42|42"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(rep.synchronized(), 10000);
        QCOMPARE(audit("north"), QStringLiteral("42|"));
    }

    // An edited record the server has not got yet never leaves the station.
    void brokenChainNotSent()
    {
        auto a = archive("lake", 5);
        QVERIFY(a);
        {
            RawArchive raw(a->path());
            QVERIFY(raw.exec("DROP TRIGGER results_no_update"));
            QVERIFY(raw.exec("UPDATE results SET v0 = 1.5 WHERE id = 3"));
        }
        TServerReplicator rep(a->path(), m_pg->connectionString(), quick());
        QTRY_VERIFY_WITH_TIMEOUT(rep.lastError().contains(QStringLiteral("№ 3")), 20000);
        QCOMPARE(onServer("lake"), QStringLiteral("2|2"));
        QVERIFY(!rep.synchronized());
    }

    // The README's query finds what was done to the server's copy.
    void auditorFindsEdits_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("found");
        QTest::newRow("untouched") << ""
                                   << "5|";
        QTest::newRow("label edited") << "UPDATE reg01_records SET label = 'x' WHERE seq = 3"
                                      << "5|3";
        QTest::newRow("deleted") << "DELETE FROM reg01_records WHERE seq = 2"
                                 << "4|2";
        QTest::newRow("edited and rehashed")
            << "UPDATE reg01_records SET port = 'y' WHERE seq = 4; UPDATE reg01_records r "
               "SET hash = reg01_record_hash(r) WHERE seq = 4"
            << "5|5";
    }
    void auditorFindsEdits()
    {
        QFETCH(QString, edit);
        QFETCH(QString, found);
        const QString station = QStringLiteral("audit-") + QTest::currentDataTag();
        auto a = archive(station, 5);
        QVERIFY(a);
        {
            TServerReplicator rep(a->path(), m_pg->connectionString(), quick());
            QTRY_VERIFY_WITH_TIMEOUT(rep.synchronized(), 20000);
        }
        for (const QString &s : edit.split("; ", Qt::SkipEmptyParts))
            QVERIFY(
                m_pg->psql(QString(s).replace("WHERE", "WHERE station = '" + station + "' AND")));
        QCOMPARE(audit(station), found);
    }
};

QTEST_MAIN(TestServerChain)
#include "tst_serverchain.moc"
