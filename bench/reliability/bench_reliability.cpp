// What the program costs in memory with a large results file, each measure in a process of
// its own so one does not hide the next:
//   startup: the choice window and the two hidden registration windows made with the last
//            file (the program's start), resident memory afterwards and at the peak;
//   load:    one window opening the file, and the table's cost against the file's size and
//            against the estimate the size limit rests on;
//   stamp:   the time the journal's base takes to hash the file.
// Usage: bench_reliability [MB] [--short] [folder]   (default 300 MB of result lines; --short:
// empty lines, the costliest for their bytes; a temporary folder)

#include <chrono>
#include <cstdio>
#include <cstring>

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include "app/AppSetup.h"
#include "app/TForm1.h"
#include "controls/TColorStringGrid.h"
#include "results/TFileStamp.h"
#include "results/TResultsFile.h"
#include "results/TableBudget.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

namespace {

// VmRSS or VmHWM of this process, in MB.
double statusMb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(std::strlen(key))).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return -1;
}

double secondsSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Result lines as the first window writes them, until the file holds `mb` megabytes.
bool makeFile(const QString &path, qint64 mb, bool shortLines)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray line = shortLines ? QByteArray("\r\n")
                                       : QByteArray("Проба 17\t05.03.2024\t10:02:01\t3\t20,50"
                                                    "\t3,25\t8,75\t27,50\t3,13\t0,00\t1,50\t4,75"
                                                    "\t0,50\t12,25\t-0,50\t90,00\r\n");
    QByteArray chunk;
    while (chunk.size() < (1 << 20))
        chunk += line;
    for (qint64 done = 0; done < mb << 20; done += chunk.size()) {
        if (f.write(chunk) != chunk.size())
            return false;
    }
    return f.write(QByteArray(15, '\t') + "\r\n") == 17;
}

void startup(const QString &folder, const QString &file)
{
    TRegistrationWindow::SetProgramDir(folder);
    QFile ini(folder + QStringLiteral("/Tarvo.Ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write("[Config]\r\nFileName=" + file.toUtf8() + "\r\n");
    ini.close();
    QFile::copy(folder + QStringLiteral("/Tarvo.Ini"), folder + QStringLiteral("/Mirel2.Ini"));
    const double base = statusMb("VmRSS:");
    const auto t0 = std::chrono::steady_clock::now();
    createForms();
    const double took = secondsSince(t0);
    std::printf("startup: hidden windows made in %.2f s; resident %.0f MB after (%.0f MB "
                "before), peak %.0f MB; hidden rows held: %d + %d\n",
                took, statusMb("VmRSS:"), base, statusMb("VmHWM:"), Form2->MainGrid->RowCount() - 1,
                Form3->MainGrid->RowCount() - 1);
    destroyForms();
}

void load(const QString &file, qint64 bytes, qint64 lines)
{
    const double mb = 1 << 20;
    const qint64 estimate = TableBudget::openingCost(bytes, lines, 17);
    std::printf("limit: opening estimated at %.0f MB, %.0f MB available\n", estimate / mb,
                TableBudget::available() / mb);
    const double base = statusMb("VmRSS:");
    TRowStore rows(17);
    QString error;
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = TResultsFile::Load(file, 17, rows, &error);
    const double took = secondsSince(t0);
    if (!ok) {
        std::printf("load: refused in %.2f s, peak %.0f MB: %s\n", took, statusMb("VmHWM:"),
                    qPrintable(error.section(u'\n', 1)));
        return;
    }
    const double held = statusMb("VmRSS:") - base;
    std::printf("load: opened in %.2f s, %d rows; table %.0f MB = %.2f x file; peak %.0f MB\n",
                took, rows.RowCount(), held, held * mb / double(bytes), statusMb("VmHWM:"));
}

void stamp(const QString &file)
{
    TFileStamp::of(file); // from the page cache, as after a load or a save
    const auto t0 = std::chrono::steady_clock::now();
    const TFileStamp s = TFileStamp::of(file);
    const double took = secondsSince(t0);
    std::printf("stamp: %.0f MB hashed in %.2f s (%.0f MB/s)\n", s.size / 1048576.0, took,
                s.size / 1048576.0 / took);
}

template <typename F>
void inChild(F &&f)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        f();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        std::printf("  (the measuring process ended by signal %d)\n", WTERMSIG(status));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const qint64 mb = argc > 1 ? std::atoll(argv[1]) : 300;
    int next = 2;
    const bool shortLines = argc > next && std::strcmp(argv[next], "--short") == 0;
    next += shortLines ? 1 : 0;
    QTemporaryDir tmp;
    const QString folder = argc > next ? QString::fromLocal8Bit(argv[next]) : tmp.path();
    const QString file = folder + QStringLiteral("/big.txt");
    if (!makeFile(file, mb, shortLines)) {
        std::printf("cannot write %s\n", qPrintable(file));
        return 1;
    }
    const qint64 bytes = QFile(file).size();
    const qint64 lines = shortLines ? bytes / 2 : bytes / 102;
    std::printf("results file: %.0f MB, %s lines\n", bytes / 1048576.0,
                shortLines ? "empty" : "result");
    inChild([&] { load(file, bytes, lines); });
    inChild([&] { stamp(file); });
    if (!shortLines) {
        inChild([&] {
            QApplication app(argc, argv);
            startup(folder, file);
        });
    }
    return 0;
}
