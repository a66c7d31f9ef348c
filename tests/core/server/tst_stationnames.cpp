#include <memory>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>

#include "archive/TArchive.h"
#include "server/ServerSchema.h"
#include "server/TServerBatch.h"
#include "server/TServerReplicator.h"
#include "support/ArchiveSamples.h"
#include "support/PgCluster.h"
#include "text/ServerStrings.h"

// Two copies of the program on one computer, each with its own archive, sending to one server:
// the first to send under a station name holds it, the second's records under that name stay
// in its own file and its records under a name of its own go. Each case has a database of its
// own on one cluster.
class TestStationNames : public QObject
{
    Q_OBJECT

    std::unique_ptr<PgCluster> m_pg;
    QTemporaryDir m_dir;
    int m_serial = 0;

    static ServerLink::Limits quick()
    {
        ServerLink::Limits l;
        l.idleMs = 50;
        l.firstRetryMs = 100;
        l.longestRetryMs = 400;
        return l;
    }
    QString sql(const QString &conn, const QString &text)
    {
        QString out;
        const QString db = conn.section(QStringLiteral("dbname="), 1).section(' ', 0, 0);
        return m_pg->psql(text, &out, db) ? out : QStringLiteral("error: ") + m_pg->error();
    }
    // A copy of the program restarted under the station name: its next records carry it.
    static void restartAs(TArchive &a, const QString &folder, const QString &station)
    {
        a.close();
        a.setStation(station);
        QVERIFY(a.open(folder));
    }
    static QUuid add(TArchive &a, int n)
    {
        QUuid first;
        for (int i = 0; i < n; ++i) {
            const QUuid uid = a.appendResult(sampleResult(QString("Проба %1").arg(i), day(7, 9, i)));
            first = i == 0 ? uid : first;
        }
        return first;
    }
    // A server of the version before holders, with the archive's records sent as the older
    // program sent them.
    static bool olderServerWith(const QString &conn, const QString &archivePath)
    {
        bool ok = false;
        {
            QSqlDatabase server = QSqlDatabase::addDatabase("QPSQL", "older");
            QSqlDatabase local = QSqlDatabase::addDatabase("QSQLITE", "older-local");
            server.setConnectOptions(conn);
            local.setDatabaseName(archivePath);
            QSqlError e;
            ServerError error;
            qint64 last = 0;
            ok = server.open() && local.open()
                 && ServerSchema::migrate(server, &e, ServerSchema::HoldersVersion - 1)
                 && TServerBatch("older-local", "older").sendAfter(0, 100, &last, &error) > 0;
        }
        QSqlDatabase::removeDatabase("older");
        QSqlDatabase::removeDatabase("older-local");
        return ok;
    }

private slots:
    void initTestCase()
    {
        m_pg = std::make_unique<PgCluster>();
        if (!m_pg->available())
            QSKIP("PostgreSQL is not installed (scripts/install-deps.sh)");
        QVERIFY2(m_pg->start(), qPrintable(m_pg->error()));
        // The owner, and a station's role named like its station.
        QVERIFY(m_pg->usePassFile(m_dir.filePath("pgpass"), {"reg01", "host"}));
        QVERIFY(m_pg->psql("CREATE ROLE host LOGIN PASSWORD 'station-secret'"));
    }

    // A station's role may not take the step that adds the holders: it sends as before until
    // the owner has taken it, then holds its name like any.
    void stationRoleBeforeUpgrade()
    {
        QVERIFY(m_pg->psql("CREATE DATABASE byrole OWNER reg01"));
        const QString owner = m_pg->connectionString().replace("dbname=reg01", "dbname=byrole");
        const QString role = QString(owner).replace("user=reg01", "user=host");
        const QString folder = m_dir.filePath("byrole");
        QDir().mkpath(folder);
        TArchive a;
        a.setStation("host");
        QVERIFY(a.open(folder));
        add(a, 2);
        QVERIFY(olderServerWith(owner, a.path()));
        QVERIFY(m_pg->psql("GRANT SELECT ON reg01_schema TO host; "
                           "GRANT SELECT, INSERT ON reg01_records TO host",
                           nullptr, "byrole"));
        for (const QString &conn : {role, owner, role}) {
            add(a, 1);
            TServerReplicator rep(a.path(), conn, quick());
            QTRY_VERIFY_WITH_TIMEOUT(rep.synchronized(), 20000);
            QCOMPARE(rep.statusText(), Str::ServerSynced);
        }
        QCOMPARE(sql(owner, "SELECT count(*) FROM reg01_records"), QStringLiteral("5"));
        QCOMPARE(sql(owner, "SELECT station FROM reg01_station_archives"), QStringLiteral("host"));
    }

    // The first copy writes 3 records under "host" and sends them (or an older program did, to
    // a server without holders); the second writes 2 records under each name in turn, then
    // sends; then the first writes one more and sends again.
    void secondCopy_data()
    {
        QTest::addColumn<bool>("olderServer");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QString>("onServer"); // records per station
        QTest::addColumn<QString>("holders");  // A, B: the first copy's archive, the second's

        const QString held = Str::ServerStationHeld.arg("host");
        const QString sent = Str::ServerStationSent.arg("«line-2»");
        QTest::newRow("one archive") << false << QStringList() << QString() << "host=4"
                                     << "host=A";
        QTest::newRow("same name")
            << false << QStringList{"host"} << "Сервер: " + held.arg(3) << "host=4"
            << "host=A";
        QTest::newRow("renamed") << false << QStringList{"host", "line-2"}
                                 << "Сервер: " + held.arg(3) + "; " + sent << "host=4 line-2=2"
                                 << "host=A line-2=B";
        QTest::newRow("renamed back") << false << QStringList{"host", "line-2", "host"}
                                      << "Сервер: " + held.arg(5) + "; " + sent << "host=4 line-2=2"
                                      << "host=A line-2=B";
        QTest::newRow("older server") << true << QStringList{"host", "line-2"}
                                      << "Сервер: " + held.arg(3) + "; " + sent << "host=4 line-2=2"
                                      << "host=A line-2=B";
    }
    void secondCopy()
    {
        QFETCH(bool, olderServer);
        QFETCH(QStringList, names);
        QFETCH(QString, told);
        QFETCH(QString, onServer);
        QFETCH(QString, holders);
        const QString db = QStringLiteral("names%1").arg(++m_serial);
        QVERIFY(m_pg->psql(QStringLiteral("CREATE DATABASE %1 OWNER reg01").arg(db)));
        const QString conn = m_pg->connectionString().replace("dbname=reg01", "dbname=" + db);
        const QString aDir = m_dir.filePath(db + "a");
        const QString bDir = m_dir.filePath(db + "b");
        QDir().mkpath(aDir);
        QDir().mkpath(bDir);

        TArchive a;
        a.setStation("host");
        QVERIFY(a.open(aDir));
        add(a, 3);
        if (olderServer) {
            QVERIFY(olderServerWith(conn, a.path()));
        } else {
            TServerReplicator first(a.path(), conn, quick());
            QTRY_VERIFY_WITH_TIMEOUT(first.synchronized(), 20000);
        }
        TArchive b;
        QVERIFY(b.open(bDir));
        QUuid firstResult;
        for (const QString &name : names) {
            restartAs(b, bDir, name);
            const QUuid uid = add(b, 2);
            firstResult = firstResult.isNull() ? uid : firstResult;
        }
        // Its first result relabelled under the last name: the change goes beside the result.
        if (!names.isEmpty())
            b.appendLabelChange({firstResult, 1, "Проба 0", "Ферма", day(8), "t.tsv", {}});
        if (!names.isEmpty()) {
            TServerReplicator second(b.path(), conn, quick());
            QTRY_COMPARE_WITH_TIMEOUT(second.statusText(), told, 20000);
            QVERIFY(!second.synchronized());
            QCOMPARE(second.heldStations(), QStringList{"host"});
        }
        add(a, 1);
        {
            TServerReplicator again(a.path(), conn, quick());
            QTRY_VERIFY_WITH_TIMEOUT(again.synchronized(), 20000);
            QCOMPARE(again.statusText(), Str::ServerSynced);
        }
        QCOMPARE(sql(conn, "SELECT string_agg(station || '=' || n, ' ' ORDER BY station) FROM "
                           "(SELECT station, count(*) AS n FROM reg01_records GROUP BY station) s"),
                 onServer);
        const QString aId = RawArchive(a.path()).value("SELECT uid FROM archive_identity").toString();
        const QString bId = RawArchive(b.path()).value("SELECT uid FROM archive_identity").toString();
        QVERIFY(!aId.isEmpty() && aId != bId);
        QCOMPARE(sql(conn, "SELECT string_agg(station || '=' || archive, ' ' ORDER BY station) "
                           "FROM reg01_station_archives")
                     .replace(aId, "A")
                     .replace(bId, "B"),
                 holders);
        // Nothing the second copy wrote is lost, each name numbered and chained from its first.
        QCOMPARE(RawArchive(b.path()).value("SELECT count(*) FROM records").toInt(),
                 names.isEmpty() ? 0 : 2 * names.size() + 1);
        QCOMPARE(sql(conn, "SELECT version FROM reg01_schema"),
                 QString::number(ServerSchema::Version));
    }
};

QTEST_GUILESS_MAIN(TestStationNames)
#include "tst_stationnames.moc"
