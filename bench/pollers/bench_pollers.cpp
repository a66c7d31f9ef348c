// Polling costs: CPU while idle, the delay from the last reply byte to the result handler,
// and exchange times against the wire time. Prints numbers; asserts nothing.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "../BenchTiming.h"
#include "pollers/RequestCode.h"
#include "pollers/RequestFrame.h"
#include "pollers/TOpMirel.h"
#include "pollers/TOpTarvo.h"
#include "sim/InstrumentFrames.h"
#include "sim/InstrumentSim.h"

namespace {

using Clock = std::chrono::steady_clock;

void waitIdle(TOpPoller &p)
{
    while (p.Active())
        runFor(10);
}

void idleCpu(int seconds)
{
    InstrumentSim sim(InstrumentSim::Family::Tarvo);
    sim.start();
    TOpTarvo p;
    p.Port = QString::fromStdString(sim.slaveName());
    int cycles = 0;
    p.OnGetNumber = [&](TOpPoller *) { ++cycles; };
    p.Start();
    runFor(300);
    const double cpu0 = cpuSeconds();
    const int cycles0 = cycles;
    const auto t0 = Clock::now();
    runFor(seconds * 1000);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    p.Stop();
    waitIdle(p);
    std::printf("idle polling (nothing asked) for %.1f s: CPU %.3f s = %.2f %% of one core, "
                "%d cycles (%.1f per s), %zu frames sent\n",
                wall, cpu, 100.0 * cpu / wall, cycles - cycles0, (cycles - cycles0) / wall,
                sim.receivedFrames().size());
}

// An instrument on a bare pty that stamps the moment its reply's last byte is written.
struct StampingInstrument
{
    int master = -1;
    std::string slave;
    std::vector<uint8_t> reply;
    std::atomic<bool> stop{false};
    std::atomic<int64_t> lastByteNs{0};
    std::thread thread;

    explicit StampingInstrument(std::vector<uint8_t> frame)
        : reply(std::move(frame))
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        grantpt(master);
        unlockpt(master);
        slave = ptsname(master);
        termios t{};
        int s = open(slave.c_str(), O_RDWR | O_NOCTTY);
        tcgetattr(s, &t);
        cfmakeraw(&t);
        tcsetattr(s, TCSANOW, &t);
        keep = s;
        thread = std::thread([this] { serve(); });
    }
    ~StampingInstrument()
    {
        stop = true;
        thread.join();
        close(master);
        close(keep);
    }
    void serve()
    {
        uint8_t buf[64];
        int have = 0;
        while (!stop) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            const ssize_t n = read(master, buf + have, sizeof buf - have);
            if (n <= 0)
                continue;
            have += int(n);
            while (have >= kRequestSize) {
                const uint8_t code = buf[kRequestSize - 1];
                std::vector<uint8_t> out;
                if (code == RequestCode::Fetch)
                    out = reply;
                else
                    out.assign(buf, buf + kEchoSize);
                // Stamped as the whole reply goes into the pty in one write, so the reader
                // cannot see it before the stamp.
                lastByteNs = Clock::now().time_since_epoch().count();
                if (write(master, out.data(), out.size()) < 0)
                    continue;
                std::copy(buf + kRequestSize, buf + have, buf);
                have -= kRequestSize;
            }
        }
    }
    int keep = -1;
};

template <typename Poller>
void latency(const char *name, std::vector<uint8_t> frame, int rounds)
{
    StampingInstrument inst(std::move(frame));
    Poller p;
    p.Port = QString::fromStdString(inst.slave);
    std::vector<double> delays;
    bool ask = true;
    p.OnGetNumber = [&](TOpPoller *s) {
        if (ask) {
            s->Command = RequestCode::Fetch;
            ask = false;
        }
    };
    p.OnPutResult = [&](TOpPoller *s) {
        if (s->Command == RequestCode::Fetch) {
            const int64_t now = Clock::now().time_since_epoch().count();
            delays.push_back((now - inst.lastByteNs.load()) / 1e6);
            s->Command = RequestCode::Idle;
            ask = true;
        }
    };
    p.Start();
    QElapsedTimer t;
    t.start();
    while (int(delays.size()) < rounds && t.elapsed() < 60000)
        runFor(5);
    p.Stop();
    waitIdle(p);
    std::sort(delays.begin(), delays.end());
    if (delays.empty()) {
        std::printf("%s: no results\n", name);
        return;
    }
    std::printf("%s: last reply byte -> OnPutResult on the UI thread over %zu results: "
                "median %.3f ms, 95th %.3f ms, max %.3f ms\n",
                name, delays.size(), delays[delays.size() / 2], delays[delays.size() * 95 / 100],
                delays.back());
}

template <typename Poller>
void exchangeTime(const char *name, InstrumentSim::Family family, bool trickle, int replyBytes,
                  int rounds)
{
    InstrumentSim sim(family);
    sim.setTrickle(trickle);
    sim.start();
    Poller p;
    p.Port = QString::fromStdString(sim.slaveName());
    std::vector<double> times;
    Clock::time_point asked;
    bool ask = true;
    p.OnGetNumber = [&](TOpPoller *s) {
        if (ask) {
            s->Command = RequestCode::Fetch;
            ask = false;
            asked = Clock::now();
        }
    };
    p.OnPutResult = [&](TOpPoller *s) {
        if (s->Command == RequestCode::Fetch) {
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - asked).count());
            s->Command = RequestCode::Idle;
            ask = true;
        }
    };
    p.Start();
    QElapsedTimer t;
    t.start();
    while (int(times.size()) < rounds && t.elapsed() < 120000)
        runFor(5);
    p.Stop();
    waitIdle(p);
    std::sort(times.begin(), times.end());
    const double wire = (5 + replyBytes) * InstrumentSim::ByteTimeUs / 1000.0;
    if (times.empty()) {
        std::printf("%s: no results\n", name);
        return;
    }
    std::printf("%s%s: request -> reply handed over, %zu exchanges: median %.2f ms, max %.2f ms "
                "(wire time of 5 + %d bytes at 9600 8-O-1: %.1f ms)\n",
                name, trickle ? " trickled at line rate" : " over the pty", times.size(),
                times[times.size() / 2], times.back(), replyBytes, wire);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;

    const std::array<uint8_t, 4> echo = AddressEcho(0);
    std::vector<uint32_t> words(12, EncodeFp(3.25));
    latency<TOpTarvo>("Tarvo 106-byte reply", BuildTarvoFrame(106, 0, 1, words, echo), 200);
    std::vector<uint32_t> mwords(27, EncodeFp(1.5));
    latency<TOpMirel>("Mirel 234-byte reply",
                      BuildMirelFrame(234, 0x07FFFFFF, 0x0800, 1, mwords, echo), 200);
    exchangeTime<TOpTarvo>("Tarvo 106", InstrumentSim::Family::Tarvo, false, 106, 100);
    exchangeTime<TOpMirel>("Mirel 234", InstrumentSim::Family::Mirel, false, 234, 100);
    exchangeTime<TOpMirel>("Mirel 234", InstrumentSim::Family::Mirel, true, 234, 10);
    idleCpu(idleSeconds);
    return 0;
}
