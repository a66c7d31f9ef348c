#include <cmath>
#include <limits>
#include <memory>

#include <QCryptographicHash>
#include <QDir>
#include <QScopeGuard>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "archive/ArchiveSchema.h"
#include "archive/TArchive.h"
#include "archive/TArchiveWriter.h"
#include "server/ServerConfig.h"
#include "server/TServerArchiveReader.h"
#include "server/TServerReplicator.h"
#include "server/TServerSearch.h"
#include "support/ArchiveSamples.h"
#include "support/LoopWatch.h"
#include "support/PgCluster.h"
#include "support/StationArchive.h"
#include "text/ServerStrings.h"

// The archive sent to a PostgreSQL cluster of the test's own. One cluster serves every case
// (initdb is slow); each case uses stations of its own and counts only those.
class TestServerReplicator : public QObject
{
    Q_OBJECT

    std::unique_ptr<PgCluster> m_pg;
    QTemporaryDir m_dir;

    ServerLink::Limits quick() const { return quickLimits(); }
    // Short bounds: a statement the server does not finish is cut after 1.5 s.
    ServerLink::Limits bounded() const
    {
        ServerLink::Limits l = quick();
        l.probeMs = 300;
        l.graceMs = 500;
        l.bounds.statementTimeoutMs = 1000;
        return l;
    }
    // An archive of the station's own in a folder of its own.
    std::unique_ptr<TArchive> archive(const QString &station)
    {
        return stationArchive(m_dir, station);
    }
    // "records|distinct keys" the server holds of a station.
    QString onServer(const QString &station)
    {
        QString out;
        m_pg->psql(QStringLiteral("SELECT count(*) || '|' || count(DISTINCT seq) || '|' || "
                                  "COALESCE(max(seq), 0) FROM reg01_records "
                                  "WHERE station = '%1'")
                       .arg(station),
                   &out);
        return out;
    }
    static QString md5(const QString &s)
    {
        return QString::fromLatin1(
            QCryptographicHash::hash(s.toUtf8(), QCryptographicHash::Md5).toHex());
    }
    void addResults(TArchive &a, int n, int firstMinute = 0)
    {
        for (int i = 0; i < n; ++i)
            a.appendResult(sampleResult(QStringLiteral("Проба %1").arg(firstMinute + i),
                                        day(1 + (firstMinute + i) / 1440 % 27, 0, 0)
                                            .addSecs(60 * ((firstMinute + i) % 1440))));
    }

private slots:
    void initTestCase()
    {
        m_pg = std::make_unique<PgCluster>();
        if (!m_pg->available())
            QSKIP("PostgreSQL is not installed (scripts/install-deps.sh)");
        QVERIFY2(m_pg->start(), qPrintable(m_pg->error()));
        qputenv("PGPASSFILE", m_pg->passFile().toLocal8Bit());
    }

    // Every kind of record arrives with what it carries; the label change names its result.
    void recordsReachServer()
    {
        auto a = archive(QStringLiteral("kinds"));
        QVERIFY(a);
        TArchiveResult r = sampleResult(QStringLiteral("Ферма Ёлкино"), day(3));
        const QUuid uid = a->appendResult(r);
        a->appendLabelChange({uid, 0, r.label, QStringLiteral("Ферма №2"), day(3, 11), "t.tsv", {}});
        a->appendFileEvent({TArchiveFileEvent::SaveAs, QStringLiteral("t.tsv"), 1, day(3, 12)});
        TServerReplicator rep(a->path(), m_pg->connectionString(), quick());
        QTRY_VERIFY_WITH_TIMEOUT(rep.synchronized(), 20000);
        QCOMPARE(rep.statusText(), QStringLiteral("Сервер: синхронизировано"));
        QCOMPARE(onServer("kinds"), QStringLiteral("3|3|3"));
        QString out;
        QVERIFY(m_pg->psql("SELECT kind, encode(raw, 'hex'), v3, v4 IS NULL, result_seq, event "
                           "FROM reg01_records WHERE station = 'kinds' ORDER BY seq",
                           &out));
        const QStringList rows = out.split('\n');
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0], QStringLiteral("result|%1|6.25|t||").arg(QString(r.raw.toHex())));
        QCOMPARE(rows[1], QStringLiteral("label|||t|1|"));
        QCOMPARE(rows[2], QStringLiteral("file|||t||save as"));

        // A record written while the replicator runs follows within the idle interval.
        addResults(*a, 1);
        rep.nudge();
        QTRY_COMPARE_WITH_TIMEOUT(onServer("kinds"), QStringLiteral("4|4|4"), 5000);
    }

    // Each kind arrives with every detail it carries, whatever its texts and bytes hold:
    // texts that look like array or SQL syntax, bytes that are quotes and backslashes, an
    // empty reply, values at the ends of the range. Texts are compared by their hashes.
    void detailsArriveWhole_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("valueText"); // as the server prints it
        QTest::newRow("plain") << QStringLiteral("Ферма Ёлкино") << QByteArray("\x01\x02", 2)
                               << 6.25 << "6.25";
        QTest::newRow("array syntax") << QStringLiteral(R"({a,"b"},NULL\ "")")
                                      << QByteArray("\0\"\\\xff{},", 7) << 1e-300 << "1e-300";
        QTest::newRow("sql quotes") << QStringLiteral("'); DROP TABLE reg01_records; --")
                                    << QByteArray(300, '\\') << -0.5 << "-0.5";
        QTest::newRow("empty") << QString() << QByteArray() << 1e308 << "1e+308";
        QTest::newRow("infinite") << QStringLiteral("NULL") << QByteArray("NULL")
                                  << std::numeric_limits<double>::infinity() << "Infinity";
    }
    void detailsArriveWhole()
    {
        QFETCH(QString, label);
        QFETCH(QByteArray, raw);
        QFETCH(double, value);
        QFETCH(QString, valueText);
        const QString station = QStringLiteral("whole-") + QTest::currentDataTag();
        auto a = archive(station);
        QVERIFY(a);
        TArchiveResult r = sampleResult(label, day(4));
        r.raw = raw;
        r.values[0] = value;
        r.cells[0] = label;
        const QUuid uid = a->appendResult(r);
        const QString changed = label + QStringLiteral(" \"№2\"");
        a->appendLabelChange({uid, 2, label, changed, day(4, 11), label + ".txt", "лаборант"});
        a->appendLabelChange({QUuid(), 5, QString(), label, day(4, 12), "t.tsv", "лаборант"});
        using Event = TArchiveFileEvent;
        for (const auto kind : {Event::Open, Event::Save, Event::SaveAs, Event::New})
            a->appendFileEvent({kind, label + ".txt", 3, day(4, 13)});
        QCOMPARE(a->pendingCount(), 0);
        TServerReplicator rep(a->path(), m_pg->connectionString(), quick());
        QTRY_VERIFY_WITH_TIMEOUT(rep.synchronized(), 20000);

        QString out;
        QVERIFY(m_pg->psql(QStringLiteral(
                               "SELECT seq, kind, uid, at_ms, at_iso, md5(model), port, device, "
                               "date_text, time_text, grp, md5(label), md5(folded), md5(cells), "
                               "raw IS NULL, encode(raw, 'hex'), v0, v4 IS NULL, v26 IS NULL, "
                               "result_seq, row_no, md5(old_text), md5(new_text), md5(os_user), "
                               "md5(file_name), event, row_count FROM reg01_records "
                               "WHERE station = '%1' ORDER BY seq")
                               .arg(station),
                           &out));
        const QStringList rows = out.split('\n');
        QCOMPARE(rows.size(), 7);
        // Columns 1-5 (number, kind, uid, time), 6-19 a result's, 20-27 a change's or event's.
        auto row = [&](int seq, const char *kind, const QDateTime &t, const QStringList &result,
                       const QStringList &rest) {
            const QString uid = rows.value(seq - 1).section('|', 2, 2);
            return (QStringList{QString::number(seq), kind, uid,
                                QString::number(t.toMSecsSinceEpoch()), TArchiveWriter::isoText(t)}
                    + result + rest)
                .join('|');
        };
        auto noResult = [](const QString &newText) {
            return QStringList{{}, {}, {}, {}, {}, {}, {}, newText, {}, "t", {}, {}, "t", "t"};
        };
        QVERIFY(!QUuid(rows.value(0).section('|', 2, 2)).isNull());
        QCOMPARE(rows[0].section('|', 2, 2), uid.toString(QUuid::WithoutBraces));
        QCOMPARE(rows[0], row(1, "result", day(4),
                              {md5(r.model), r.port, "7", r.dateText, r.timeText, "3", md5(label),
                               md5(ArchiveSchema::foldLabel(label)), md5(r.cells.join('\t')), "f",
                               QString::fromLatin1(raw.toHex()), valueText, "t", "t"},
                              QStringList(8)));
        // The label changes: the first names its result, the open row's names none.
        const QString user = md5(QStringLiteral("лаборант"));
        QCOMPARE(rows[1],
                 row(2, "label", day(4, 11), noResult(md5(changed.toCaseFolded())),
                     {"1", "2", md5(label), md5(changed), user, md5(label + ".txt"), {}, {}}));
        QCOMPARE(rows[2], row(3, "label", day(4, 12), noResult(md5(label.toCaseFolded())),
                              {{}, "5", md5(QString()), md5(label), user, md5("t.tsv"), {}, {}}));
        const char *events[] = {"open", "save", "save as", "new"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(rows[3 + i], row(4 + i, "file", day(4, 13), noResult({}),
                                      {{}, {}, {}, {}, {}, md5(label + ".txt"), events[i], "3"}));
        }
    }

    // Down while records come, back later: nothing lost, nothing twice; the status says so.
    void serverDownAndBack()
    {
        auto a = archive(QStringLiteral("down"));
        QVERIFY(a);
        addResults(*a, 10);
        auto rep = std::make_unique<TServerReplicator>(a->path(), m_pg->connectionString(), quick());
        QTRY_VERIFY_WITH_TIMEOUT(rep->synchronized(), 20000);
        QVERIFY(m_pg->stop());
        addResults(*a, 40, 10);
        QCOMPARE(a->pendingCount(), 0); // the local archive took them at once
        QTRY_VERIFY_WITH_TIMEOUT(!rep->online() && rep->queued() == 40, 20000);
        QVERIFY(rep->statusText().startsWith(QStringLiteral("Сервер: ")));
        QVERIFY(rep->statusText().contains(QStringLiteral("40 записей в очереди")));
        // A program restarted while the server is away resumes from what the server holds.
        rep.reset();
        QVERIFY2(m_pg->start(), qPrintable(m_pg->error()));
        rep = std::make_unique<TServerReplicator>(a->path(), m_pg->connectionString(), quick());
        QTRY_VERIFY_WITH_TIMEOUT(rep->synchronized(), 20000);
        QCOMPARE(onServer("down"), QStringLiteral("50|50|50"));
    }

    // The server stops in the middle of a long catch-up and comes back.
    void serverRestartedMidBatch()
    {
        auto a = archive(QStringLiteral("restart"));
        QVERIFY(a);
        addResults(*a, 6000);
        ServerLink::Limits l = quick();
        l.batch = 100;
        TServerReplicator rep(a->path(), m_pg->connectionString(), l);
        QTRY_VERIFY_WITH_TIMEOUT(rep.online() && rep.queued() > 0 && rep.queued() < 6000, 20000);
        QVERIFY(m_pg->stop());
        QVERIFY2(m_pg->start(), qPrintable(m_pg->error()));
        QTRY_VERIFY_WITH_TIMEOUT(rep.synchronized(), 30000);
        QCOMPARE(onServer("restart"), QStringLiteral("6000|6000|6000"));
    }

    // Two stations on a server without the tables: both make them, both arrive whole.
    void twoStationsAtOnce()
    {
        QVERIFY(m_pg->psql("DROP TABLE IF EXISTS reg01_records, reg01_schema, "
                           "reg01_station_roles, reg01_station_archives CASCADE"));
        auto a = archive(QStringLiteral("north"));
        auto b = archive(QStringLiteral("south"));
        QVERIFY(a && b);
        addResults(*a, 300);
        addResults(*b, 300);
        TServerReplicator ra(a->path(), m_pg->connectionString(), quick());
        TServerReplicator rb(b->path(), m_pg->connectionString(), quick());
        for (int i = 0; i < 20; ++i) {
            addResults(*a, 5, 300 + 5 * i);
            addResults(*b, 5, 300 + 5 * i);
            QTest::qWait(10);
        }
        // "Synchronized" may still speak of the time before the last records were added.
        QTRY_COMPARE_WITH_TIMEOUT(onServer("north"), QStringLiteral("400|400|400"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(onServer("south"), QStringLiteral("400|400|400"), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(ra.synchronized() && rb.synchronized(), 30000);

        // The search across stations sees both, newest first, by any label it ever had.
        TServerArchiveReader reader(m_pg->connectionString());
        TArchiveQuery q;
        q.label = QStringLiteral("пРОБА 399");
        TArchiveSearchResult found = reader.search(q);
        QVERIFY2(found.ok, qPrintable(found.error));
        QCOMPARE(found.hits.size(), size_t(2));
        QVERIFY(found.hits[0].station != found.hits[1].station);
        QVERIFY(reader.loadDetails(found.hits, nullptr));
        QCOMPARE(found.hits[0].result.raw, sampleResult({}, day(1)).raw);
        QCOMPARE(found.hits[0].result.cells.value(0), QStringLiteral("Проба 399"));
        q = {};
        q.limit = 10;
        found = reader.search(q);
        QVERIFY(found.ok && found.truncated);
        QCOMPARE(found.hits.size(), size_t(10));
        QCOMPARE(reader.models(), QStringList{sampleResult({}, day(1)).model});
    }

    // Rows no station wrote: the search hands them on sanitised, never crashes. Put there
    // past the server's chain check, as only a superuser can.
    void searchSurvivesOddRows()
    {
        QVERIFY(m_pg->psql(
            "SET session_replication_role = replica; "
            "INSERT INTO reg01_records (station, seq, uid, kind, at_ms, at_iso, model, grp, "
            "label, folded, cells, raw, v0, v1, v2) VALUES "
            "('odd', 1, 'x', 'result', 9223372036854775807, '', NULL, NULL, NULL, NULL, "
            " NULL, NULL, 'NaN', 'Infinity', NULL), "
            "('odd', 2, 'x', 'result', -9223372036854775807, '', repeat('м', 100000), "
            " 2147483647, repeat('x', 100000), 'odd', repeat(E'\\t', 5000), "
            " decode(repeat('ff', 200000), 'hex'), 1e308, -1e308, 0), "
            "('odd', 3, 'x', 'label', 0, '', NULL, NULL, NULL, 'odd', NULL, NULL, NULL, "
            " NULL, NULL)"));
        QVERIFY(m_pg->psql("UPDATE reg01_records SET result_seq = 2, new_text = NULL "
                           "WHERE station = 'odd' AND seq = 3"));
        TServerArchiveReader reader(m_pg->connectionString());
        TArchiveQuery q;
        q.limit = 100000;
        TArchiveSearchResult found = reader.search(q);
        QVERIFY2(found.ok, qPrintable(found.error));
        int odd = 0;
        for (const TArchiveHit &h : found.hits) {
            if (h.station != QLatin1String("odd"))
                continue;
            ++odd;
            // As the local archive reads them: the values up to the last one present, NaN
            // missing, an infinity kept (it shows "INF", as the table did).
            QVERIFY(int(h.result.values.size()) <= ArchiveLimits::ValueCount);
            QVERIFY(h.result.label.size() <= TServerArchiveReader::MaxText);
            if (h.seq == 1)
                QVERIFY(h.result.values.size() == 2 && !h.result.values[0]
                        && std::isinf(*h.result.values[1]));
        }
        QCOMPARE(odd, 2);
        QVERIFY(reader.loadDetails(found.hits, nullptr));
        for (const TArchiveHit &h : found.hits) {
            QVERIFY(h.result.cells.size() <= TServerArchiveReader::MaxCells);
            QVERIFY(h.result.raw.size() <= TServerArchiveReader::MaxRaw);
        }
        QVERIFY(m_pg->psql("DELETE FROM reg01_records WHERE station = 'odd'"));
    }

    // A server that will not take the station: its cause in the status, libpq's words beside
    // it, no password in either, and the local archive goes on taking records. A password in
    // the string is refused before anything connects (before, it was dropped without a word).
    void refusedConnections_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QString>("original");
        QTest::addColumn<QString>("cause");
        QTest::newRow("wrong password") << "passfile=%1"
                                        << "password authentication failed" << Str::CausePassword;
        QTest::newRow("password in settings is refused")
            << "password=station-secret passfile=/nonexistent" << Str::ServerPasswordRefused
            << Str::ServerPasswordRefused;
        QTest::newRow("unknown role") << "user=nobody_here"
                                      << "no password supplied" << Str::CauseNoPassword;
        QTest::newRow("nothing listening") << "port=1"
                                           << "port 1 failed" << Str::CauseRefused;
    }
    void refusedConnections()
    {
        QFETCH(QString, extra);
        QFETCH(QString, original);
        QFETCH(QString, cause);
        const QString wrong = m_dir.filePath("wrongpass");
        QFile f(wrong);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("*:*:*:*:not-the-one\n").toUtf8());
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        auto a = archive(QStringLiteral("refused"));
        QVERIFY(a);
        addResults(*a, 2);
        const QString conninfo = m_pg->connectionString(QString(extra).replace("%1", wrong));
        TServerReplicator rep(a->path(), conninfo, quick());
        QTRY_VERIFY_WITH_TIMEOUT(!rep.lastError().isEmpty(), 20000);
        QVERIFY2(rep.errorDetail().contains(original), qPrintable(rep.errorDetail()));
        QVERIFY2(rep.statusText().startsWith(Str::ServerFailed.arg(cause)),
                 qPrintable(rep.statusText()));
        for (const QString &text : {rep.statusText(), rep.errorDetail()}) {
            QVERIFY(!text.contains(QStringLiteral("station-secret")));
            QVERIFY(!text.contains(QStringLiteral("not-the-one")));
        }
        addResults(*a, 1);
        QCOMPARE(a->pendingCount(), 0);
        QTest::qWait(300);
        QCOMPARE(onServer("refused"), QStringLiteral("0|0|0"));
    }

    // Both forms of the string reach the server (a URI never did: the driver's own string
    // went before it).
    void connectionForms_data()
    {
        QTest::addColumn<QString>("conninfo");
        QTest::newRow("key=value") << m_pg->connectionString();
        QTest::newRow("uri") << QStringLiteral("postgresql://reg01@127.0.0.1:%1/reg01")
                                        .arg(m_pg->port())
                                    + "?connect_timeout=3&application_name=reg01%20line";
    }
    void connectionForms()
    {
        QFETCH(QString, conninfo);
        const QString station = QStringLiteral("form-") + QTest::currentDataTag();
        auto a = archive(station);
        QVERIFY(a);
        addResults(*a, 3);
        TServerReplicator rep(a->path(), conninfo, quick());
        QTRY_VERIFY2_WITH_TIMEOUT(rep.synchronized(), qPrintable(rep.errorDetail()), 20000);
        QCOMPARE(onServer(station), QStringLiteral("3|3|3"));
    }

    // A server that stops answering (its processes frozen) is noticed, idle, sent records
    // after it froze or frozen in the middle of a catch-up; the UI thread is never held up,
    // also not when the replicator is closed meanwhile (before, closing waited as long as the
    // server was frozen), and nothing is lost once the server goes on.
    void frozenServer_data()
    {
        QTest::addColumn<int>("before"); // records written before the server freezes
        QTest::addColumn<int>("after");  // records written while it is frozen
        QTest::addColumn<int>("batch");
        QTest::newRow("idle") << 5 << 0 << 2000;
        QTest::newRow("records while frozen") << 5 << 20 << 2000;
        QTest::newRow("mid-batch") << 6000 << 0 << 100;
    }
    void frozenServer()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(int, batch);
        const QString station = QStringLiteral("frozen%1-%2").arg(before).arg(after);
        auto a = archive(station);
        QVERIFY(a);
        addResults(*a, before);
        ServerLink::Limits l = bounded();
        l.batch = batch;
        auto rep = std::make_unique<TServerReplicator>(a->path(), m_pg->connectionString(), l);
        if (batch < before)
            QTRY_VERIFY_WITH_TIMEOUT(rep->queued() > 0 && rep->queued() < before, 20000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(rep->synchronized(), 20000);
        LoopWatch watch;
        QVERIFY(m_pg->signalAll(SIGSTOP));
        auto resume = qScopeGuard([this] { m_pg->signalAll(SIGCONT); });
        addResults(*a, after, before);
        rep->nudge();
        if (after > 0) // said before the send that does not come back
            QTRY_VERIFY_WITH_TIMEOUT(rep->statusText().contains(QStringLiteral("в очереди")), 1000);
        QTRY_VERIFY_WITH_TIMEOUT(rep->lastError().contains(QStringLiteral("не отвечает")), 10000);
        QVERIFY(!rep->synchronized());
        QElapsedTimer closing;
        closing.start();
        rep.reset();
        const double closeMs = closing.nsecsElapsed() / 1e6;
        QVERIFY2(closeMs < 1000, qPrintable(QString::number(closeMs)));
        qInfo("frozen server, %s: longest UI-thread gap %.1f ms, close %.1f ms",
              QTest::currentDataTag(), watch.longestMs(), closeMs);
        QVERIFY(m_pg->signalAll(SIGCONT));
        rep = std::make_unique<TServerReplicator>(a->path(), m_pg->connectionString(), l);
        QTRY_VERIFY_WITH_TIMEOUT(rep->synchronized(), 30000);
        const int all = before + after;
        QCOMPARE(onServer(station), QStringLiteral("%1|%1|%1").arg(all));
    }

    // A search the frozen server does not answer ends: at once on cancel(), otherwise after
    // the statement bound, with an error; with the server back the next search answers.
    void searchOnFrozenServer_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled") << true;
        QTest::newRow("timed out") << false;
    }
    void searchOnFrozenServer()
    {
        QFETCH(bool, cancel);
        auto a = archive(QStringLiteral("search-") + QTest::currentDataTag());
        QVERIFY(a);
        addResults(*a, 1);
        {
            TServerReplicator rep(a->path(), m_pg->connectionString(), quick());
            QTRY_VERIFY_WITH_TIMEOUT(rep.synchronized(), 20000);
        }
        TServerSearch search(m_pg->connectionString(), bounded());
        int answers = 0;
        bool ok = false;
        bool busy = false;
        connect(&search, &TServerSearch::searched, this, [&](const TArchiveSearchResult &r) {
            ++answers;
            ok = r.ok;
        });
        connect(&search, &TServerSearch::busyChanged, this, [&](bool b) { busy = b; });
        TArchiveQuery q;
        q.limit = 5;
        search.search(q);
        QTRY_COMPARE_WITH_TIMEOUT(answers, 1, 20000);
        QVERIFY(ok && !busy);
        QVERIFY(m_pg->signalAll(SIGSTOP));
        auto resume = qScopeGuard([this] { m_pg->signalAll(SIGCONT); });
        LoopWatch watch;
        search.search(q);
        QVERIFY(busy);
        QTest::qWait(300); // the statement waits on the frozen server
        QElapsedTimer t;
        t.start();
        if (cancel)
            search.cancel();
        const int bound = cancel ? 1000 : 10000;
        QTRY_VERIFY_WITH_TIMEOUT(!busy, bound);
        qInfo("search on a frozen server, %s: ended after %.1f ms, longest UI-thread gap %.1f ms",
              QTest::currentDataTag(), t.nsecsElapsed() / 1e6, watch.longestMs());
        QCOMPARE(answers, cancel ? 1 : 2);
        QVERIFY(cancel || !ok);
        QVERIFY(m_pg->signalAll(SIGCONT));
        search.search(q);
        const int expected = cancel ? 2 : 3;
        QTRY_COMPARE_WITH_TIMEOUT(answers, expected, 20000);
        QVERIFY(ok);
    }

    // A second archive under a station name the server already has from another archive is
    // stopped with a clear status, whether it holds fewer records or more: before, its records
    // up to the server's newest number counted as sent and never arrived.
    void twinStationIsTold_data()
    {
        QTest::addColumn<int>("second");
        QTest::newRow("fewer records") << 3;
        QTest::newRow("more records") << 8;
    }
    void twinStationIsTold()
    {
        QFETCH(int, second);
        const QString station = QStringLiteral("twin%1").arg(second);
        const auto twin = [&](const QString &folder) {
            auto a = std::make_unique<TArchive>();
            a->setStation(station);
            QDir().mkpath(m_dir.filePath(folder));
            return a->open(m_dir.filePath(folder)) ? std::move(a) : nullptr;
        };
        auto a = twin(station + "a");
        auto b = twin(station + "b");
        QVERIFY(a && b);
        addResults(*a, 5);
        addResults(*b, second);
        {
            TServerReplicator ra(a->path(), m_pg->connectionString(), quick());
            QTRY_COMPARE_WITH_TIMEOUT(onServer(station), QStringLiteral("5|5|5"), 20000);
        }
        TServerReplicator rb(b->path(), m_pg->connectionString(), quick());
        QTRY_VERIFY_WITH_TIMEOUT(rb.lastError().contains(QStringLiteral("другой архив")), 20000);
        QVERIFY(!rb.synchronized());
        QCOMPARE(onServer(station), QStringLiteral("5|5|5"));
    }

    void passwordsKeptOutOfTexts_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("kept");
        QTest::newRow("key") << "host=h password=s3cret user=u"
                             << "host=h user=u";
        QTest::newRow("quoted") << "password='a b\\' c' dbname=d"
                                << "dbname=d";
        QTest::newRow("spaced") << "host=h password = s3cret"
                                << "host=h";
        QTest::newRow("uri") << "postgresql://u:s3cret@h/d"
                             << "postgresql://u@h/d";
        QTest::newRow("uri parameter") << "postgresql://h/d?password=s3cret&sslmode=require"
                                       << "postgresql://h/d?sslmode=require";
        QTest::newRow("none") << "host=h sslmode=require"
                              << "host=h sslmode=require";
    }
    void passwordsKeptOutOfTexts()
    {
        QFETCH(QString, given);
        QFETCH(QString, kept);
        QCOMPARE(ServerConfig::withoutPassword(given), kept);
        QVERIFY(!ServerConfig::redacted(given).contains(QStringLiteral("s3cret")));
        QVERIFY(!ServerConfig::redacted(given).contains(QStringLiteral("a b")));
    }

    // A connection attempt is bounded unless the string bounds it itself.
    void connectTimeoutAdded_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("used");
        QTest::newRow("key") << "host=h user=u"
                             << "host=h user=u connect_timeout=5";
        QTest::newRow("own") << "host=h CONNECT_TIMEOUT=30"
                             << "host=h CONNECT_TIMEOUT=30";
        QTest::newRow("uri") << "postgresql://h/d"
                             << "postgresql://h/d?connect_timeout=5";
        QTest::newRow("uri parameter") << "postgresql://h/d?sslmode=require"
                                       << "postgresql://h/d?sslmode=require&connect_timeout=5";
    }
    void connectTimeoutAdded()
    {
        QFETCH(QString, given);
        QFETCH(QString, used);
        QCOMPARE(ServerConfig::withConnectTimeout(given), used);
    }

    // TLS as the connection string asks: a server that takes only TLS, with a self-signed
    // certificate.
    void tls_data()
    {
        QTest::addColumn<QString>("sslmode");
        QTest::addColumn<bool>("reaches");
        QTest::newRow("require") << "sslmode=require" << true;
        QTest::newRow("disable") << "sslmode=disable" << false;
    }
    void tls()
    {
        QFETCH(QString, sslmode);
        QFETCH(bool, reaches);
        static std::unique_ptr<PgCluster> tlsPg;
        if (!tlsPg) {
            tlsPg = std::make_unique<PgCluster>(true);
            QVERIFY2(tlsPg->start(), qPrintable(tlsPg->error()));
        }
        qputenv("PGPASSFILE", tlsPg->passFile().toLocal8Bit());
        auto a = archive(QStringLiteral("tls-") + QTest::currentDataTag());
        QVERIFY(a);
        addResults(*a, 3);
        TServerReplicator rep(a->path(), tlsPg->connectionString(sslmode), quick());
        if (reaches)
            QTRY_VERIFY_WITH_TIMEOUT(rep.synchronized(), 20000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(!rep.lastError().isEmpty(), 20000);
        qputenv("PGPASSFILE", m_pg->passFile().toLocal8Bit());
        if (!reaches)
            tlsPg.reset();
    }
};

QTEST_MAIN(TestServerReplicator)
#include "tst_serverreplicator.moc"
