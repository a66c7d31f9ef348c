// Opens and saves a year (100,000 rows) and ten years (1,000,000 rows) of results and prints
// the times, the peak memory of opening and the memory the loaded table holds.
// Usage: bench_files [rows ...] [folder]  (default: 100000 1000000, a temporary folder)

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "../BenchTiming.h"
#include "results/TResultsFile.h"
#include "table/CellText.h"
#include "text/Cp1251.h"

namespace {

long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// The most this process has had resident so far (the kernel's high-water mark).
long peakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmHWM:") {
            long kb = 0;
            status >> kb;
            return kb * 1024;
        }
    }
    return 0;
}

// Wall-clock seconds of the work; *cpu gets the processor seconds (user and system), which
// tell more than the clock on a machine shared with other work.
double seconds(auto &&work, double *cpu = nullptr)
{
    const double c0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    work();
    const auto t1 = std::chrono::steady_clock::now();
    if (cpu)
        *cpu = cpuSeconds() - c0;
    return std::chrono::duration<double>(t1 - t0).count();
}

// Lines as the windows write them: label, date, time, group, then values like "3,45".
QByteArray makeFile(int rows, int fields)
{
    QByteArray out;
    out.reserve(qsizetype(rows) * fields * 8);
    const QByteArray label = Cp1251::encode(u"Проба ");
    unsigned x = 1;
    for (int r = 0; r < rows; ++r) {
        char buf[64];
        out += label + QByteArray::number(r % 500 + 1);
        std::snprintf(buf, sizeof buf, "\t%02d.%02d.%04d\t%02d:%02d:%02d\t%d", r % 28 + 1,
                      r / 8400 % 12 + 1, 2015 + r / 100000, r / 3600 % 24, r / 60 % 60, r % 60,
                      r % 9 + 1);
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

// Runs work in a child process, so that what one step leaves behind in memory does not
// count against the next one.
template <typename Work>
void inChild(Work work)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        work();
        std::fflush(stdout);
        _exit(0);
    }
    waitpid(child, nullptr, 0);
}

void writeFile(const QString &path, int rows, int fields)
{
    const QByteArray bytes = makeFile(rows, fields);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        std::printf("cannot write %s\n", qPrintable(path));
}

void measure(const QString &folder, const QString &path, int fields)
{
    const int cols = fields + 1;
    const double fileBytes = double(QFile(path).size());
    QString error;

    // The first opening in a fresh process: its peak is what a window opening the file needs.
    const long baseline = peakResidentBytes();
    const long before = residentBytes();
    auto *table = new TRowStore(cols);
    bool ok = false;
    double firstCpu = 0;
    const double first = seconds([&] { ok = TResultsFile::Load(path, cols, *table, &error); },
                                 &firstCpu);
    if (!ok) {
        std::printf("%s\n", qPrintable(error));
        return;
    }
    const long peak = peakResidentBytes();
    const long held = residentBytes() - before;
    const int rows = table->RowCount();
    delete table;

    double open = first;
    double openCpu = firstCpu;
    double save = 1e9;
    double saveCpu = 1e9;
    TRowStore loaded(cols);
    for (int i = 0; i < 5; ++i) {
        TRowStore t(cols);
        double cpu = 0;
        open = std::min(open, seconds([&] { TResultsFile::Load(path, cols, t, &error); }, &cpu));
        openCpu = std::min(openCpu, cpu);
        if (i == 4)
            loaded = std::move(t);
    }
    const QString copy = folder + QStringLiteral("/saved%1.txt").arg(fields);
    for (int i = 0; i < 5; ++i) {
        double cpu = 0;
        save = std::min(save, seconds([&] { TResultsFile::Save(copy, loaded, &error); }, &cpu));
        saveCpu = std::min(saveCpu, cpu);
    }
    // Opening also looks for control characters, which rows from elsewhere may bring.
    double scan = 1e9;
    for (int i = 0; i < 5; ++i)
        scan = std::min(scan, seconds([&] { CellText::dropControls(loaded); }));
    loaded = TRowStore(cols);
    QFile original(path);
    QFile saved(copy);
    const bool same = original.open(QIODevice::ReadOnly) && saved.open(QIODevice::ReadOnly)
                      && saved.readAll() == original.readAll();
    QFile::remove(copy);

    std::printf("%2d fields, %7d rows, file %.1f MB\n"
                "  open %.3f s (processor %.3f s; first opening %.3f s, processor %.3f s)\n"
                "  save %.3f s (processor %.3f s), saved file %s\n"
                "  peak while opening %.1f MB = %.2f x file (%.1f MB before opening)\n"
                "  the open table holds %.1f MB = %.2f x file\n"
                "  control characters looked for in %.3f s\n",
                fields, rows, fileBytes / 1e6, open, openCpu, first, firstCpu, save, saveCpu,
                same ? "identical" : "DIFFERS", peak / 1e6, peak / fileBytes, baseline / 1e6,
                held / 1e6, held / fileBytes, scan);
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<int> rowCounts;
    QString folder;
    for (int i = 1; i < argc; ++i) {
        char *end = nullptr;
        const long n = std::strtol(argv[i], &end, 10);
        if (end && *end == '\0' && n > 0)
            rowCounts.push_back(int(n));
        else
            folder = QString::fromLocal8Bit(argv[i]);
    }
    if (rowCounts.empty())
        rowCounts = {100000, 1000000};
    QTemporaryDir tmp;
    if (folder.isEmpty())
        folder = tmp.path();
    for (int rows : rowCounts) {
        for (int fields : {16, 31}) {
            const QString path = folder
                                 + QStringLiteral("/results-%1-%2.txt").arg(rows).arg(fields);
            inChild([&] { writeFile(path, rows, fields); });
            inChild([&] { measure(folder, path, fields); });
            QFile::remove(path);
        }
    }
    return 0;
}
