// The server copy of the archive, measured against a cluster of the benchmark's own:
// catch-up of 100,000 queued records, the time from a result written to the result on the
// server, and the longest the UI thread's event loop went without a turn meanwhile.

#include <csignal>
#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include "archive/TArchive.h"
#include "archive/TArchiveChain.h"
#include "server/TServerReplicator.h"
#include "support/ArchiveSamples.h"
#include "support/LoopWatch.h"
#include "support/PgCluster.h"

namespace {

// The longest this thread spent handling events sent to one object: the replication's share of
// the UI thread, apart from what the machine's scheduling takes from it.
class TimedApp : public QCoreApplication
{
public:
    using QCoreApplication::QCoreApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        if (receiver != watched)
            return QCoreApplication::notify(receiver, event);
        QElapsedTimer t;
        t.start();
        const bool done = QCoreApplication::notify(receiver, event);
        longestNs = std::max(longestNs, t.nsecsElapsed());
        ++events;
        return done;
    }
    QObject *watched = nullptr;
    qint64 longestNs = 0;
    int events = 0;
};

// Looks every few milliseconds, sleeping in the event loop between looks (a busy wait would
// take a core from the replication it measures).
bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done() || t.elapsed() > ms)
            loop.quit();
    });
    look.start(2);
    if (!done())
        loop.exec();
    return done();
}

// Copies the archive's one result into `count` records of the station, in one transaction.
bool fill(const QString &path, int count, const QString &station = QStringLiteral("bench"))
{
    RawArchive raw(path);
    QStringList values;
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k)
        values << QStringLiteral("v%1").arg(k);
    const QString v = values.join(QStringLiteral(", "));
    return raw.exec(QStringLiteral("BEGIN"))
           && raw.exec(QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 2 UNION ALL SELECT x + 1 "
                                      "FROM n WHERE x < %1) INSERT INTO records (id, station, seq, "
                                      "uid, kind) SELECT x, '%2', x, randomblob(16), 'result' "
                                      "FROM n")
                           .arg(count)
                           .arg(station))
           && raw.exec(QStringLiteral("INSERT INTO results SELECT r.id, t.at_ms + r.id * 1000, "
                                      "t.at_iso, t.model, t.port, t.device, t.date_text, "
                                      "t.time_text, t.grp, t.label, t.cells, t.raw, %1 "
                                      "FROM records r, results t WHERE t.id = 1 AND r.id > 1")
                           .arg(v))
           && raw.exec(QStringLiteral("COMMIT"));
}

// Links the copied records into the station's hash chain, as the archive's writer would have.
bool chain(const QString &path)
{
    RawArchive raw(path);
    QSqlQuery read(raw.db());
    read.setForwardOnly(true);
    QSqlQuery write(raw.db());
    write.prepare(QStringLiteral("INSERT INTO record_chain (id, prev, hash) VALUES (?, ?, ?)"));
    QByteArray prev = raw.value(QStringLiteral("SELECT hash FROM record_chain WHERE id = 1"))
                          .toByteArray();
    if (!raw.exec(QStringLiteral("BEGIN"))
        || !read.exec(
            TArchiveChain::selectSql(QStringLiteral("WHERE r.id > 1 ORDER BY r.seq"), false)))
        return false;
    while (read.next()) {
        const QByteArray hash = TArchiveChain::hash(prev, TArchiveChain::rowFields(read, 1));
        write.addBindValue(read.value(0));
        write.addBindValue(prev);
        write.addBindValue(hash);
        if (!write.exec())
            return false;
        prev = hash;
    }
    read.finish();
    return raw.exec(QStringLiteral("COMMIT"));
}

// A server frozen (its processes stopped) in the middle of a catch-up: how soon the status
// tells, the longest the UI thread waits meanwhile and while the replicator is closed, and
// what reaches the server once it goes on.
int frozenMidBatch(PgCluster &pg, int count)
{
    QTemporaryDir dir;
    TArchive archive;
    archive.setStation(QStringLiteral("frozen"));
    if (!archive.open(dir.path()))
        return 1;
    archive.appendResult(sampleResult(QStringLiteral("Проба"), day(1)));
    if (!fill(archive.path(), count, QStringLiteral("frozen")) || !chain(archive.path()))
        return 1;
    ServerLink::Limits limits;
    limits.batch = 500;
    auto rep = std::make_unique<TServerReplicator>(archive.path(), pg.connectionString(), limits);
    waitFor([&] { return rep->online() && rep->queued() > 0 && rep->queued() < count; }, 60000);
    LoopWatch watch;
    QElapsedTimer t;
    t.start();
    pg.signalAll(SIGSTOP);
    waitFor([&] { return !rep->lastError().isEmpty(); }, 60000);
    std::printf("frozen mid-batch: told after %.1f s: %s\n", t.elapsed() / 1e3,
                qPrintable(rep->statusText()));
    t.restart();
    rep.reset();
    const double closeMs = t.nsecsElapsed() / 1e6;
    std::printf("frozen mid-batch: longest UI-thread gap %.2f ms, close while frozen %.2f ms "
                "(target < 50 ms)\n",
                watch.longestMs(), closeMs);
    pg.signalAll(SIGCONT);
    rep = std::make_unique<TServerReplicator>(archive.path(), pg.connectionString(), limits);
    waitFor([&] { return rep->synchronized(); }, 120000);
    QString held;
    pg.psql(QStringLiteral("SELECT count(DISTINCT seq) FROM reg01_records "
                           "WHERE station = 'frozen'"),
            &held);
    std::printf("frozen mid-batch: %d records, on the server %s, lost %d\n", count,
                qPrintable(held), count - held.toInt());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    TimedApp app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    PgCluster pg;
    if (!pg.available() || !pg.start()) {
        std::printf("no PostgreSQL cluster: %s\n", qPrintable(pg.error()));
        return 77;
    }
    qputenv("PGPASSFILE", pg.passFile().toLocal8Bit());
    QTemporaryDir dir;
    TArchive archive;
    archive.setStation(QStringLiteral("bench"));
    if (!archive.open(dir.path()))
        return 1;
    archive.appendResult(sampleResult(QStringLiteral("Проба"), day(1)));
    if (!fill(archive.path(), count))
        return 1;
    QElapsedTimer chaining;
    chaining.start();
    if (!chain(archive.path()))
        return 1;
    std::printf("chaining %d records: %.2f s\n", count, chaining.elapsed() / 1e3);

    // The same watch with nothing replicating: what the machine itself takes from the loop.
    {
        LoopWatch idle;
        waitFor([] { return false; }, 2000);
        std::printf("longest UI-thread gap with no replication: %.2f ms (%d over 5 ms)\n",
                    idle.longestMs(), idle.over5ms());
    }
    LoopWatch watch;
    QElapsedTimer t;
    t.start();
    TServerReplicator rep(archive.path(), pg.connectionString());
    app.watched = &rep;
    if (!waitFor([&] { return rep.synchronized(); }, 120000)) {
        std::printf("catch-up did not finish: %s\n", qPrintable(rep.statusText()));
        return 1;
    }
    std::printf("catch-up of %d records: %.2f s (target < 10 s)\n", count, t.elapsed() / 1e3);
    std::printf("longest UI-thread gap during catch-up: %.2f ms, %d over 5 ms (target < 5 ms)\n",
                watch.longestMs(), watch.over5ms());
    std::printf("longest UI-thread time in the replication's own events: %.3f ms (%d events)\n",
                app.longestNs / 1e6, app.events);

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("b"));
    db.setConnectOptions(pg.connectionString());
    if (!db.open())
        return 1;
    QSqlQuery top(db);
    top.prepare(QStringLiteral("SELECT max(seq) FROM reg01_records WHERE station = 'bench'"));
    double worst = 0;
    double sum = 0;
    const int rounds = 20;
    for (int i = 0; i < rounds; ++i) {
        t.restart();
        archive.appendResult(sampleResult(QStringLiteral("Проба"), day(2)));
        rep.nudge();
        const qint64 want = count + i + 1;
        waitFor([&] { return top.exec() && top.next() && top.value(0).toLongLong() >= want; },
                10000);
        const double ms = t.nsecsElapsed() / 1e6;
        worst = std::max(worst, ms);
        sum += ms;
    }
    std::printf("result to server: mean %.1f ms, worst %.1f ms (target < 1000 ms)\n", sum / rounds,
                worst);

    // The question the replicator asks after each batch of 2000: count and the last one's hash.
    QSqlQuery check(db);
    check.prepare(QStringLiteral(
        "SELECT count(*), (SELECT hash FROM reg01_records WHERE station = ? AND seq = ?) "
        "FROM reg01_records WHERE station = 'bench' AND seq BETWEEN ? AND ?"));
    t.restart();
    const int checks = 50;
    for (int i = 0; i < checks; ++i) {
        const qint64 low = 1 + (qint64(i) * 7919) % std::max(1, count - 2000);
        check.addBindValue(QStringLiteral("bench"));
        check.addBindValue(low + 1999);
        check.addBindValue(low);
        check.addBindValue(low + 1999);
        check.exec();
        check.next();
    }
    std::printf("batch check on the server (2000 records): %.2f ms\n",
                t.nsecsElapsed() / 1e6 / checks);
    return frozenMidBatch(pg, count);
}
