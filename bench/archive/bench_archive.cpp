// The archive's speed: the durable write of one result, and searches over a million archived
// results. Usage: bench_archive [folder]
// The million-result archive is built once in the folder (default: a temporary folder, gone
// afterwards) and used again when the folder already holds it.
// BENCH_SEARCH_ONLY=1 skips the write; BENCH_CASE=<start of a name> runs that search alone.
// Times are printed as wall clock and as the thread's processor time: on a machine shared with
// other work the first also counts the waits for a processor.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "archive/ArchiveSchema.h"
#include "archive/TArchive.h"
#include "archive/TArchiveWriter.h"
#include "text/Strings.h"

namespace {

constexpr int kResults = 1000000;
constexpr int kFarms = 1000;
const QDateTime kStart(QDate(2024, 1, 1), QTime(6, 0));

// The time this thread ran: on a machine shared with other work the wall-clock time also
// counts the waits for a processor.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double msSince(std::chrono::steady_clock::time_point t0)
{
    using Ms = std::chrono::duration<double, std::milli>;
    return Ms(std::chrono::steady_clock::now() - t0).count();
}

struct Numbers
{
    double median = 0;
    double p95 = 0;
    double max = 0;
};

Numbers numbers(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back()};
}

unsigned s_state = 12345;
unsigned next()
{
    s_state = s_state * 1103515245u + 12345u;
    return s_state >> 8;
}

const QStringList kSurnames = {QStringLiteral("Иванова"),  QStringLiteral("Петрова"),
                               QStringLiteral("Сидорова"), QStringLiteral("Кузнецова"),
                               QStringLiteral("Смирнова"), QStringLiteral("Попова"),
                               QStringLiteral("Лебедева"), QStringLiteral("Козлова"),
                               QStringLiteral("Новикова"), QStringLiteral("Морозова")};

// Labels as a milk reception writes them: a farm and its number, a sample number, or none.
QString makeLabel(int i)
{
    const unsigned r = next();
    switch (r % 10) {
    case 0:
        return QString();
    case 1:
    case 2:
    case 3:
        return QStringLiteral("Проба %1").arg(i);
    default:
        return QStringLiteral("Ферма %1 №%2").arg(kSurnames[r / 10 % 10]).arg(r / 100 % kFarms);
    }
}

TArchiveResult makeResult(int i)
{
    TArchiveResult r;
    const unsigned m = next() % 10;
    r.model = m < 7 ? Str::ModelTarvo : m < 9 ? Str::ModelMirel : Str::ModelBestan;
    r.port = QStringLiteral("ttyUSB0");
    r.deviceNumber = 1;
    r.at = kStart.addSecs(qint64(i) * 30);
    r.dateText = r.at.date().toString(QStringLiteral("dd.MM.yyyy"));
    r.timeText = r.at.time().toString(QStringLiteral("HH:mm:ss"));
    r.group = int(next() % 9);
    r.label = makeLabel(i);
    r.cells = {r.label, r.dateText, r.timeText, QString::number(r.group)};
    const int count = r.model == Str::ModelTarvo ? 12 : 27;
    for (int k = 0; k < count; ++k) {
        const double v = double(next() % 120000) / 100.0;
        r.values.push_back(v);
        r.cells << QString::number(v, 'f', 2);
    }
    r.raw = QByteArray(r.model == Str::ModelTarvo ? 106 : 234, char(i));
    return r;
}

bool build(const QString &folder)
{
    const QString path = QDir(folder).filePath(TArchive::FileName);
    {
        TArchive archive; // makes the file and its tables
        if (!archive.open(folder))
            return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("b"));
    db.setDatabaseName(path);
    if (!db.open())
        return false;
    QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous = OFF")); // a build, not a record
    {
        TArchiveWriter writer(db);
        QSqlError error;
        if (!writer.prepare(&error))
            return false;
        const QString station = QStringLiteral("bench");
        for (int i = 0; i < kResults;) {
            writer.begin(&error);
            for (int n = 0; n < 20000 && i < kResults; ++n, ++i) {
                const TArchiveResult r = makeResult(i);
                const QUuid uid = QUuid::createUuid();
                if (!writer.writeResult(station, uid, r, &error))
                    return false;
                if (next() % 50 == 0) { // now and then the operator renames a sample
                    TArchiveLabelChange c{uid,
                                          i + 1,
                                          r.label,
                                          r.label + QStringLiteral(" испр"),
                                          r.at.addSecs(20),
                                          QStringLiteral("Март.txt"),
                                          QStringLiteral("op")};
                    writer.writeLabelChange(station, QUuid::createUuid(), c, &error);
                }
            }
            if (!writer.commit(&error))
                return false;
            std::fprintf(stderr, "\r  %d results", i);
        }
        std::fprintf(stderr, "\n");
    }
    QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("b"));
    return true;
}

// What the disk itself takes to make one page durable: the floor under any durable write.
void diskFlush(const QString &folder)
{
    QFile f(QDir(folder).filePath(QStringLiteral("flush-probe")));
    if (!f.open(QIODevice::WriteOnly))
        return;
    std::vector<double> ms;
    const QByteArray page(4096, 'x');
    for (int i = 0; i < 100; ++i) {
        f.write(page);
        f.flush();
        const auto t0 = std::chrono::steady_clock::now();
        fdatasync(f.handle());
        ms.push_back(msSince(t0));
    }
    f.remove();
    const Numbers n = numbers(ms);
    std::printf("the disk's own flush of one 4 KiB page (fdatasync): median %.2f ms, "
                "p95 %.2f ms\n",
                n.median, n.p95);
}

void durableInsert(const QString &folder)
{
    diskFlush(folder);
    TArchive archive;
    if (!archive.open(folder)) {
        std::printf("archive cannot be opened: %s\n", qPrintable(archive.errorText()));
        return;
    }
    std::vector<double> ms;
    std::vector<double> cpu;
    for (int i = 0; i < 300; ++i) {
        const TArchiveResult r = makeResult(i);
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = cpuMs();
        archive.appendResult(r);
        cpu.push_back(cpuMs() - c0);
        ms.push_back(msSince(t0));
    }
    const Numbers n = numbers(ms);
    const Numbers nc = numbers(cpu);
    std::printf("durable insert of one result (300 in a row, each its own transaction, "
                "synchronous FULL):\n  wall median %.2f ms, p95 %.2f ms, max %.2f ms; "
                "cpu median %.2f ms\n",
                n.median, n.p95, n.max, nc.median);
}

void searches(TArchive &archive)
{
    const QDateTime month = kStart.addDays(100);
    struct Case
    {
        const char *name;
        TArchiveQuery query;
    };
    const Case cases[] = {
        {"label: sample numbers 12345*  ", {QStringLiteral("проба 12345"), {}, {}, {}, 1000}},
        {"label: one farm (any case)    ", {QStringLiteral("ПЕТРОВА №417"), {}, {}, {}, 1000}},
        {"label: one farm, renamed      ", {QStringLiteral("417 испр"), {}, {}, {}, 1000}},
        {"label: a surname (100k hits)  ", {QStringLiteral("козлова"), {}, {}, {}, 1000}},
        {"label: two letters, common    ", {QStringLiteral("ва"), {}, {}, {}, 1000}},
        {"label: two letters, none      ", {QStringLiteral("щъ"), {}, {}, {}, 1000}},
        {"one day                       ", {{}, month, month.addDays(1), {}, 5000}},
        {"one month (86k, newest 1000)  ", {{}, month, month.addMonths(1), {}, 1000}},
        {"model and one week            ", {{}, month, month.addDays(7), Str::ModelMirel, 1000}},
        {"farm, model and one month     ",
         {QStringLiteral("смирнова"), month, month.addMonths(1), Str::ModelTarvo, 1000}},
        {"farm number, one month        ",
         {QStringLiteral("№417"), month, month.addMonths(1), {}, 1000}},
        {"two letters, one day          ",
         {QStringLiteral("щъ"), month, month.addDays(1), {}, 1000}},
        {"everything (newest 1000)      ", {{}, {}, {}, {}, 1000}},
        {"everything (newest 5000)      ", {{}, {}, {}, {}, 5000}},
    };
    std::printf("search over %d archived results (each query 15 times):\n", kResults);
    const QString only = qEnvironmentVariable("BENCH_CASE");
    for (const Case &c : cases) {
        if (!only.isEmpty() && !QString::fromUtf8(c.name).startsWith(only))
            continue;
        std::vector<double> ms;
        std::vector<double> cpu;
        TArchiveSearchResult found;
        for (int i = 0; i < 15; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            const double c0 = cpuMs();
            found = archive.search(c.query);
            cpu.push_back(cpuMs() - c0);
            ms.push_back(msSince(t0));
        }
        const Numbers n = numbers(ms);
        const Numbers nc = numbers(cpu);
        std::printf("  %s %5zu hits%s  wall median %7.2f max %7.2f ms   cpu median %7.2f "
                    "max %7.2f ms%s\n",
                    c.name, found.hits.size(), found.truncated ? "+" : " ", n.median, n.max,
                    nc.median, nc.max,
                    found.ok ? "" : qPrintable(QStringLiteral("  error: ") + found.error));
    }
    const auto t0 = std::chrono::steady_clock::now();
    const QStringList models = archive.models();
    std::printf("  models present (%lld): %.2f ms\n", qlonglong(models.size()), msSince(t0));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    QDir().mkpath(folder);

    QTemporaryDir small;
    if (qEnvironmentVariableIsEmpty("BENCH_SEARCH_ONLY"))
        durableInsert(small.path());

    const QString path = QDir(folder).filePath(TArchive::FileName);
    if (!QFileInfo::exists(path)) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!build(folder)) {
            std::printf("building the archive failed\n");
            return 1;
        }
        std::printf("built %d results in %.1f s\n", kResults, msSince(t0) / 1000);
    }
    std::printf("archive file: %.1f MB\n", double(QFileInfo(path).size()) / 1e6);
    TArchive archive;
    if (!archive.open(folder)) {
        std::printf("archive cannot be opened: %s\n", qPrintable(archive.errorText()));
        return 1;
    }
    searches(archive);
    return 0;
}
