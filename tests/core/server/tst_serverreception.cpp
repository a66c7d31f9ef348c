#include <iterator>
#include <memory>

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include "archive/ArchiveViews.h"
#include "archive/TArchive.h"
#include "reception/ReceptionStore.h"
#include "server/ServerReception.h"
#include "server/ServerReceptionTables.h"
#include "server/ServerSchema.h"
#include "server/TServerReceptionBatch.h"
#include "server/TServerReplicator.h"
#include "support/ArchiveSamples.h"
#include "support/PgCluster.h"
#include "support/StationArchive.h"

// Milk reception on the server: the suppliers, rate tables and deliveries of an archive sent
// with its records, stored once, shown newest first per result and read back for reports.
class TestServerReception : public QObject
{
    Q_OBJECT

    std::unique_ptr<PgCluster> m_pg;
    QTemporaryDir m_dir;
    QStringList m_migrationBefore; // the version-4 server's rows, before the step to 5

    ServerLink::Limits quick() const { return quickLimits(); }
    static QDateTime utc(int month, int d, int h)
    {
        return QDateTime(QDate(2026, month, d), QTime(h, 0), Qt::UTC);
    }
    static std::optional<Decimal> dec(const char *text)
    {
        return Decimal::parse(QString::fromLatin1(text));
    }
    static Delivery delivery(const char *code, const char *name, const QDateTime &at,
                             const char *quantity, const char *credited, const char *amount,
                             qint64 rate)
    {
        Delivery d;
        d.supplierCode = QString::fromLatin1(code);
        d.supplierName = QString::fromUtf8(name);
        d.milkType = QStringLiteral("cow");
        d.grade = QStringLiteral("1");
        d.at = at;
        d.quantity = dec(quantity).value_or(Decimal());
        d.fat = dec("3.60");
        d.snf = dec("8.50");
        d.protein = dec("3.10");
        d.kilograms = dec(quantity);
        d.credited = dec(credited);
        d.price = dec("30.50");
        d.amount = dec(amount);
        d.rateVersion = rate;
        return d;
    }
    QString server(const QString &sql, const QString &database = "reg01")
    {
        QString out;
        if (!m_pg->psql(sql, &out, database))
            return "error";
        return out;
    }
    // "suppliers|rate tables|deliveries" the server holds of a station.
    QString held(const QString &station)
    {
        return server(QString("SELECT (SELECT count(*) FROM reg01_suppliers WHERE station = '%1') "
                              "|| '|' || (SELECT count(*) FROM reg01_rate_tables WHERE station "
                              "= '%1') || '|' || (SELECT count(*) FROM reg01_deliveries WHERE "
                              "station = '%1')")
                          .arg(station));
    }
    // Takes the database "mig" to `version`; the views made at version 4.
    bool migrateTo(int version)
    {
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "mig");
            db.setConnectOptions(m_pg->connectionString("dbname=mig"));
            QSqlError e;
            ok = db.open() && ServerSchema::migrate(db, &e, version);
            if (ok && version == 4)
                ok = db.transaction()
                     && ArchiveViews::ensureServer(db, {ArchiveViews::tarvo()}, false, &e)
                     && db.commit();
            if (!ok)
                qWarning() << e.text() << db.lastError().text();
        }
        QSqlDatabase::removeDatabase("mig");
        return ok;
    }
    QString records(const QString &station)
    {
        return server(QString("SELECT count(*) || '|' || count(DISTINCT seq) FROM reg01_records "
                              "WHERE station = '%1'")
                          .arg(station));
    }
    // An archive of two suppliers (the first in two versions), a rate table and three
    // results' deliveries, the second typed again; the results' uids.
    QList<QUuid> withReception(TArchive &a)
    {
        QList<QUuid> uids;
        for (int k = 0; k < 3; ++k)
            uids << a.appendResult(sampleResult(QStringLiteral("%1").arg(101 + k % 2), day(1 + k)));
        QSqlDatabase db = a.sideTables();
        const QDateTime now = utc(11, 1, 6);
        Supplier s{"101", 0, "Иванов", "Луг", "1", "cow", {}, {}};
        ReceptionStore::addSupplier(db, s, "op", now, nullptr);
        s.name = "Иванов А.";
        ReceptionStore::addSupplier(db, s, "op", now, nullptr);
        ReceptionStore::addSupplier(db, {"102", 0, "Петрова", "Ключ", "2", "cow", {}, {}}, "op",
                                    now, nullptr);
        RateTable t;
        t.validFrom = utc(1, 1, 0);
        t.milkType = "cow";
        const qint64 rate = ReceptionStore::addRateTable(db, t, "fat;price\n3.4;30.50\n", "op", now,
                                                         nullptr);
        ReceptionStore::addDelivery(db, uids[0],
                                    delivery("101", "Иванов", utc(11, 5, 8), "100.00", "105.88",
                                             "3229.34", rate),
                                    1, "op", now, nullptr);
        ReceptionStore::addDelivery(db, uids[1],
                                    delivery("102", "Петрова", utc(11, 20, 8), "200.00", "210.00",
                                             "6405.00", rate),
                                    1, "op", now, nullptr);
        ReceptionStore::addDelivery(db, uids[1],
                                    delivery("102", "Петрова", utc(11, 20, 8), "250.00", "262.50",
                                             "8006.25", rate),
                                    1, "op", now, nullptr);
        ReceptionStore::addDelivery(db, uids[2],
                                    delivery("101", "Иванов А.", utc(12, 2, 8), "50.00", "52.94",
                                             "1614.67", 0),
                                    2, "op", now, nullptr);
        return uids;
    }
    std::unique_ptr<TArchive> archive(const QString &station)
    {
        return stationArchive(m_dir, station);
    }
    // Sends the archive until the server holds `expected` of its reception.
    bool replicate(TArchive &a, const QString &station, const QString &expected)
    {
        TServerReplicator rep(a.path(), m_pg->connectionString(), quick());
        const bool done
            = QTest::qWaitFor([&] { return rep.synchronized() && held(station) == expected; },
                              20000);
        if (!done)
            qWarning() << rep.statusText() << rep.errorDetail() << held(station);
        return done;
    }
    static QStringList named(const QList<Delivery> &list)
    {
        QStringList out;
        for (const Delivery &d : list)
            out << d.supplierCode + ':' + d.credited.value_or(Decimal()).toString(2, '.') + ':'
                       + d.amount.value_or(Decimal()).toString(2, '.');
        return out;
    }

private slots:
    void initTestCase()
    {
        m_pg = std::make_unique<PgCluster>();
        if (!m_pg->available())
            QSKIP("PostgreSQL is not installed (scripts/install-deps.sh)");
        QVERIFY2(m_pg->start(), qPrintable(m_pg->error()));
        qputenv("PGPASSFILE", m_pg->passFile().toLocal8Bit());
        auto a = archive("north");
        QVERIFY(a);
        withReception(*a);
        QVERIFY(replicate(*a, "north", "3|1|4"));
    }

    // The named view: the newest row of each result, its numbers as they were kept.
    void namedViewNewest_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("row");
        QTest::newRow("first") << 0 << "101|Иванов|100.00|kg|100.00|3.60|105.88|t|3229.34";
        QTest::newRow("typed again") << 1 << "102|Петрова|250.00|kg|250.00|3.60|262.50|t|8006.25";
        QTest::newRow("second version, no rate")
            << 2 << "101|Иванов А.|50.00|kg|50.00|3.60|52.94|f|1614.67";
    }
    void namedViewNewest()
    {
        QFETCH(int, result);
        QFETCH(QString, row);
        const QString uid = server(QString("SELECT uid FROM reg01_records WHERE station = 'north' "
                                           "AND seq = %1")
                                       .arg(result + 1));
        QCOMPARE(server(QString("SELECT supplier_code, supplier_name, quantity, unit, kilograms, "
                                "fat, credited_kg, rate_version IS NOT NULL, amount FROM %1 "
                                "WHERE station = 'north' AND result_id = '%2'")
                            .arg(ServerReceptionTables::NamedView, uid)),
                 row);
    }

    // A manager's month in one SELECT: totals per supplier, the superseded row left out.
    void monthlyTotals_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("totals");
        QTest::newRow("november") << "2026-11-01"
                                  << "2026-12-01"
                                  << "101|105.88|3229.34\n"
                                     "102|262.50|8006.25";
        QTest::newRow("december") << "2026-12-01"
                                  << "2027-01-01"
                                  << "101|52.94|1614.67";
        QTest::newRow("october") << "2026-10-01"
                                 << "2026-11-01"
                                 << "";
    }
    void monthlyTotals()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, totals);
        QCOMPARE(server(QString("SELECT supplier_code, sum(credited_kg), sum(amount) FROM %1 "
                                "WHERE station = 'north' AND at >= '%2 00:00+00' "
                                "AND at < '%3 00:00+00' GROUP BY 1 ORDER BY 1")
                            .arg(ServerReceptionTables::NamedView, from, to)),
                 totals);
    }

    // Reports across stations read the server's deliveries as the archive's are read; before
    // the other cases' stations, whose deliveries would count too.
    void readBack_data()
    {
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("november, all") << utc(11, 1, 0) << utc(12, 1, 0) << QString()
                                       << QStringList{"101:105.88:3229.34", "102:262.50:8006.25"};
        QTest::newRow("november, one supplier")
            << utc(11, 1, 0) << utc(12, 1, 0) << "102" << QStringList{"102:262.50:8006.25"};
        QTest::newRow("end excluded")
            << utc(11, 5, 0) << utc(11, 20, 8) << QString() << QStringList{"101:105.88:3229.34"};
        QTest::newRow("nothing") << utc(10, 1, 0) << utc(11, 1, 0) << QString() << QStringList{};
    }
    void readBack()
    {
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        QFETCH(QString, code);
        QFETCH(QStringList, expected);
        QStringList got;
        {
            QSqlDatabase pg = QSqlDatabase::addDatabase("QPSQL", "reports");
            pg.setConnectOptions(m_pg->connectionString());
            QVERIFY(pg.open());
            QSqlError e;
            got = named(ServerReception::deliveries(pg, from, to, code, &e));
            QVERIFY2(!e.isValid(), qPrintable(e.text()));
        }
        QSqlDatabase::removeDatabase("reports");
        QCOMPARE(got, expected);
    }

    // Each row is stored once, however often it is sent.
    void storedOnce_data()
    {
        QTest::addColumn<QString>("station");
        QTest::addColumn<int>("sendsAgain");
        QTest::newRow("sent once") << "once" << 0;
        QTest::newRow("sent again") << "again" << 1;
        QTest::newRow("sent three times") << "thrice" << 2;
    }
    void storedOnce()
    {
        QFETCH(QString, station);
        QFETCH(int, sendsAgain);
        auto a = archive(station);
        QVERIFY(a);
        withReception(*a);
        QVERIFY(replicate(*a, station, "3|1|4"));
        {
            QSqlDatabase local = QSqlDatabase::addDatabase("QSQLITE", "again-local");
            local.setDatabaseName(a->path());
            QSqlDatabase pg = QSqlDatabase::addDatabase("QPSQL", "again-server");
            pg.setConnectOptions(m_pg->connectionString());
            QVERIFY(local.open() && pg.open());
            TServerReceptionBatch batch("again-local", "again-server", station);
            for (int k = 0; k < sendsAgain; ++k) {
                for (const auto &t : ServerReceptionTables::tables()) {
                    qint64 last = 0;
                    ServerError e;
                    QVERIFY(batch.sendAfter(t, 0, 100, &last, &e) > 0);
                }
            }
        }
        QSqlDatabase::removeDatabase("again-local");
        QSqlDatabase::removeDatabase("again-server");
        QCOMPARE(held(station), QStringLiteral("3|1|4"));
        QCOMPARE(records(station), QStringLiteral("3|3"));
    }

    // An archive without reception sends its records as ever and nothing more.
    void withoutReception_data()
    {
        QTest::addColumn<QString>("station");
        QTest::addColumn<bool>("dropTables");
        QTest::newRow("no reception rows") << "plain" << false;
        QTest::newRow("no reception tables") << "older" << true;
    }
    void withoutReception()
    {
        QFETCH(QString, station);
        QFETCH(bool, dropTables);
        auto a = archive(station);
        QVERIFY(a);
        for (int k = 0; k < 4; ++k)
            a->appendResult(sampleResult("проба", day(1 + k)));
        const QString path = a->path();
        a.reset();
        if (dropTables) {
            RawArchive raw(path);
            QSqlQuery q(raw.db());
            for (const auto &t : ServerReceptionTables::tables())
                QVERIFY(q.exec("DROP TABLE " + t.local));
        }
        const QString views = server("SELECT string_agg(name, ',' ORDER BY name) FROM reg01_views");
        TServerReplicator rep(path, m_pg->connectionString(), quick());
        QTRY_VERIFY_WITH_TIMEOUT(rep.synchronized(), 20000);
        QCOMPARE(records(station), QStringLiteral("4|4"));
        QCOMPARE(held(station), QStringLiteral("0|0|0"));
        QCOMPARE(server("SELECT string_agg(name, ',' ORDER BY name) FROM reg01_views"), views);
        QCOMPARE(rep.lastError(), QString());
    }

    // A version-4 server taken to version 5 keeps its rows and its views' columns.
    void migrationKeeps_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("before");
        const std::pair<const char *, const char *> checks[] = {
            {"records", "SELECT md5(string_agg(r::text, ',' ORDER BY station, seq)) "
                        "FROM reg01_records r"},
            {"holders", "SELECT string_agg(station || archive, ',' ORDER BY station) "
                        "FROM reg01_station_archives"},
            {"view columns", "SELECT string_agg(column_name, ',' ORDER BY ordinal_position) "
                             "FROM information_schema.columns "
                             "WHERE table_name = 'reg01_tarvo_results'"},
            {"view rows", "SELECT count(*) || '|' || sum(fat) FROM reg01_tarvo_results"},
        };
        QVERIFY(server("CREATE DATABASE mig OWNER reg01") != "error");
        QVERIFY(migrateTo(4));
        QVERIFY(server("ALTER TABLE reg01_records DISABLE TRIGGER reg01_records_chain; "
                       "INSERT INTO reg01_records (station, seq, uid, kind, at_ms, at_iso, "
                       "model, label, v1) SELECT 's', n, 'u' || n, 'result', n, 'x', '"
                           + Str::ModelTarvo
                           + "', 'l', n FROM generate_series(1, 5) n; "
                             "INSERT INTO reg01_station_archives (station, archive) "
                             "VALUES ('s', 'a')",
                       "mig")
                != "error");
        QStringList before;
        for (const auto &check : checks)
            before << server(check.second, "mig");
        QVERIFY(migrateTo(5));
        for (size_t k = 0; k < std::size(checks); ++k)
            QTest::newRow(checks[k].first) << checks[k].second << before[qsizetype(k)];
        QTest::newRow("version") << "SELECT version FROM reg01_schema"
                                 << "5";
        QTest::newRow("reception tables") << "SELECT count(*) FROM reg01_deliveries_named"
                                          << "0";
    }
    void migrationKeeps()
    {
        QFETCH(QString, query);
        QFETCH(QString, before);
        QCOMPARE(server(query, "mig"), before);
    }
};

QTEST_GUILESS_MAIN(TestServerReception)
#include "tst_serverreception.moc"
