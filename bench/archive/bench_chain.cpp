// The cost of the archive's hash chain: hashing one record, writing records with their link,
// chaining a version-2 file at migration, and the background look over the whole file.
// Usage: bench_chain [records]   (default 20000)

#include <chrono>
#include <cstdio>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include "archive/ArchiveSchema.h"
#include "archive/TArchiveChain.h"
#include "archive/TArchiveCheck.h"
#include "archive/TArchiveWriter.h"

namespace {

double msSince(std::chrono::steady_clock::time_point t0)
{
    using Ms = std::chrono::duration<double, std::milli>;
    return Ms(std::chrono::steady_clock::now() - t0).count();
}

TArchiveResult result(int i)
{
    TArchiveResult r;
    r.model = QStringLiteral("Тарво-2(2M)");
    r.port = QStringLiteral("ttyUSB0");
    r.deviceNumber = 7;
    r.at = QDateTime(QDate(2025, 1, 1), QTime(6, 0)).addSecs(120 * i);
    r.dateText = r.at.date().toString(QStringLiteral("dd.MM.yyyy"));
    r.timeText = r.at.time().toString(QStringLiteral("HH:mm:ss"));
    r.group = i % 10;
    r.label = QStringLiteral("Ферма Петрова %1").arg(i % 1000);
    r.cells << r.label << r.dateText << r.timeText;
    for (int k = 0; k < 12; ++k) {
        r.values.push_back(3.25 + k + i % 7);
        r.cells << QString::number(3.25 + k, 'f', 2);
    }
    r.raw = QByteArray(106, char(i));
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? atoi(argv[1]) : 20000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.sqlite"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "bench");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        QSqlError error;
        ArchiveSchema::migrate(db, ArchiveSchema::Version, &error);
        TArchiveWriter writer(db);
        if (!writer.prepare(&error)) {
            std::printf("prepare: %s\n", qPrintable(error.text()));
            return 1;
        }
        auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < n; i += 256) {
            writer.begin(&error);
            for (int k = i; k < std::min(n, i + 256); ++k) {
                if (!writer.writeResult(QStringLiteral("st"), QUuid::createUuid(), result(k),
                                        &error)) {
                    std::printf("write: %s\n", qPrintable(error.text()));
                    return 1;
                }
            }
            writer.commit(&error);
        }
        const double write = msSince(t0);
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.exec(TArchiveChain::selectSql(QStringLiteral("WHERE r.id = 1")));
        q.next();
        const std::vector<QVariant> fields = TArchiveChain::rowFields(q, 1);
        q.finish();
        const int rounds = 200000;
        t0 = std::chrono::steady_clock::now();
        QByteArray prev = TArchiveChain::start();
        for (int i = 0; i < rounds; ++i)
            prev = TArchiveChain::hash(prev, fields);
        const double hash = msSince(t0);
        std::printf("hash of one record (encode + SHA-256): %.2f us\n", hash * 1e3 / rounds);
        std::printf("write with chain link, 256 a transaction: %.1f us a record (%d records)\n",
                    write * 1e3 / n, n);
    }
    QSqlDatabase::removeDatabase("bench");
    TArchiveCheck check(path);
    auto t0 = std::chrono::steady_clock::now();
    const TArchiveCheckResult r = check.run();
    const double look = msSince(t0);
    std::printf("check of the whole file: %.0f ms for %lld records (%.1f us a record)%s\n", look,
                r.records, look * 1e3 / double(std::max<qint64>(r.records, 1)),
                r.done && !r.broken ? "" : " FAILED");
    return r.done && !r.broken ? 0 : 1;
}
