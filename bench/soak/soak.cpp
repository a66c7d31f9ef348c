// Soak: many result cycles of each family through the real windows and poller threads, the
// two-minute pacing compressed by the window's clock. Prints rows against results sent,
// resident memory and open descriptors at the start and the end; exits 1 on a lost or
// duplicated row or on descriptor growth.
//
//   soak [--cycles N] [--family tarvo|mirel|both]

#include <cstdio>
#include <cstring>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include <unistd.h>

#include "support/SimWindowRig.h"

namespace {

long RssKb()
{
    long size = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &size, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int OpenFds()
{
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                   .size());
}

// One family's run; true when every result sent with a good status gave exactly one row.
bool Soak(InstrumentSim::Family family, int cycles)
{
    const char *name = family == InstrumentSim::Family::Tarvo ? "tarvo" : "mirel";
    const long rss0 = RssKb();
    const int fds0 = OpenFds();
    QElapsedTimer timer;
    timer.start();
    bool ok = true;
    int rows = 0;
    std::size_t good = 0, results = 0;
    {
        SimWindowRig rig(family);
        if (!rig.Ok()) {
            std::printf("%s: simulator: %s\n", name, rig.Sim().errorString().c_str());
            return false;
        }
        // Now and then a result whose status asks for no row.
        InstrumentSim &sim = rig.Sim();
        const uint16_t bad = family == InstrumentSim::Family::Tarvo ? 0x1000 : 0x0801;
        // The simulator copies the callback for each frame, so the count lives outside it.
        auto frames = std::make_shared<int>(0);
        sim.setFrameCallback([&sim, bad, frames](const std::vector<uint8_t> &) {
            if (++*frames % 97 == 0)
                sim.queueFault({InstrumentSim::Fault::BadStatus, bad});
        });
        rig.StartPolling();
        ok = SimWindowRig::Pump(cycles * 200 + 10000, [&] { return rig.DataRows() >= cycles; });
        ok = rig.StopPolling(5000) && ok;
        rows = rig.DataRows();
        const auto log = rig.Sim().exchanges();
        // Rows follow the results in order: row k shows the k-th result with a good status.
        int r = 1;
        for (std::size_t i = 0; i < log.size(); ++i) {
            if (!log[i].resultFrame)
                continue;
            ++results;
            if (!SimWindowRig::StatusWantsRow(log[i], family))
                continue;
            ++good;
            if (r > rows) {
                // Only the very last fetch may have been cut short by the stop.
                if (i + 1 != log.size()) {
                    std::printf("%s: result %zu has no row\n", name, i);
                    ok = false;
                }
                continue;
            }
            for (const auto &[col, text] : SimWindowRig::ExpectedCells(log[i], family)) {
                if (rig.Grid()->Cells(col, r) != text) {
                    std::printf("%s: row %d column %d differs from result %zu\n", name, r, col, i);
                    ok = false;
                    break;
                }
            }
            ++r;
        }
        if (r - 1 != rows) {
            std::printf("%s: %d rows for %d results\n", name, rows, r - 1);
            ok = false;
        }
        const QString half = rig.HalfWritten();
        if (!half.isEmpty()) {
            std::printf("%s: %s\n", name, qPrintable(half));
            ok = false;
        }
        std::printf("%s: %d cycles in %.1f s: %zu results sent, %zu with a good status, "
                    "%d rows; RSS %ld kB -> %ld kB (window alive)\n",
                    name, cycles, timer.elapsed() / 1000.0, results, good, rows, rss0, RssKb());
    }
    const int fds1 = OpenFds();
    std::printf("%s: RSS %ld kB -> %ld kB after the window closed; open descriptors %d -> %d\n",
                name, rss0, RssKb(), fds0, fds1);
    if (fds1 > fds0) {
        std::printf("%s: descriptors leaked\n", name);
        ok = false;
    }
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int cycles = 10000;
    QString family = QStringLiteral("both");
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--cycles"))
            cycles = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--family"))
            family = QString::fromLatin1(argv[i + 1]);
    }
    // Two rounds: the table's own memory comes back with its window, so the second round must
    // end where the first did if nothing leaks.
    bool ok = true;
    for (int round = 1; round <= 2; ++round) {
        std::printf("round %d\n", round);
        if (family != QLatin1String("mirel"))
            ok = Soak(InstrumentSim::Family::Tarvo, cycles) && ok;
        if (family != QLatin1String("tarvo"))
            ok = Soak(InstrumentSim::Family::Mirel, cycles) && ok;
    }
    std::printf(ok ? "soak: clean\n" : "soak: FAILED\n");
    return ok ? 0 : 1;
}
