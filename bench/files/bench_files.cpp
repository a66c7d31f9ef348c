// Opens and saves a year of results (100,000 rows) and prints the times and the memory the
// loaded table takes. Usage: bench_files [folder]  (default: a temporary folder)

#include <chrono>
#include <cstdio>
#include <fstream>

#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "text/Cp1251.h"
#include "results/TResultsFile.h"

namespace {

constexpr int kRows = 100000;

long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * 4096;
}

double seconds(auto &&work)
{
    const auto t0 = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Lines as the windows write them: label, date, time, group, then values like "3,45".
QByteArray makeFile(int fields)
{
    QByteArray out;
    out.reserve(qsizetype(kRows) * fields * 8);
    const QByteArray label = Cp1251::encode(u"Проба ");
    unsigned x = 1;
    for (int r = 0; r < kRows; ++r) {
        char buf[64];
        out += label + QByteArray::number(r % 500 + 1);
        std::snprintf(buf, sizeof buf, "\t%02d.%02d.2024\t%02d:%02d:%02d\t%d", r % 28 + 1,
                      r / 8400 % 12 + 1, r / 3600 % 24, r / 60 % 60, r % 60, r % 9 + 1);
        out += buf;
        for (int f = 4; f < fields; ++f) {
            x = x * 1103515245u + 12345u;
            std::snprintf(buf, sizeof buf, "\t%u,%02u", (x >> 16) % 1200, (x >> 8) % 100);
            out += buf;
        }
        out += "\r\n";
    }
    out += QByteArray(fields - 1, '\t') + "\r\n"; // the open row
    return out;
}

void run(const QString &folder, int fields)
{
    const int cols = fields + 1;
    const QString path = folder + QStringLiteral("/year%1.txt").arg(fields);
    const QByteArray bytes = makeFile(fields);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::printf("cannot write %s\n", qPrintable(path));
        return;
    }
    f.close();

    QString error;
    const long before = residentBytes();
    auto *table = new TRowStore(cols);
    if (!TResultsFile::Load(path, cols, *table, &error)) {
        std::printf("%s\n", qPrintable(error));
        return;
    }
    const long growth = residentBytes() - before;
    const int rows = table->RowCount();
    delete table;

    double open = 1e9;
    double save = 1e9;
    TRowStore loaded(cols);
    for (int i = 0; i < 5; ++i) {
        TRowStore t(cols);
        open = std::min(open, seconds([&] { TResultsFile::Load(path, cols, t, &error); }));
        if (i == 4)
            loaded = std::move(t);
    }
    const QString copy = folder + QStringLiteral("/saved%1.txt").arg(fields);
    for (int i = 0; i < 5; ++i)
        save = std::min(save, seconds([&] { TResultsFile::Save(copy, loaded, &error); }));
    QFile saved(copy);
    saved.open(QIODevice::ReadOnly);
    const bool same = saved.readAll() == bytes;

    std::printf("%2d fields: %d rows, file %.1f MB, open %.3f s, save %.3f s, "
                "table %.1f MB = %.2f x file, saved file %s\n",
                fields, rows, bytes.size() / 1e6, open, save, growth / 1e6,
                double(growth) / bytes.size(), same ? "identical" : "DIFFERS");
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir tmp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : tmp.path();
    // Each size in a process of its own, so the memory one table left behind does not hide
    // the next one's.
    for (int fields : {16, 31}) {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            run(folder, fields);
            std::fflush(stdout);
            _exit(0);
        }
        waitpid(child, nullptr, 0);
    }
    return 0;
}
