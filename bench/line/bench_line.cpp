// The line's costs: the time from a lost line's return to the first request on it, the CPU
// while the port is tried again, the request rate with garbage before every reply, and what
// a status-bar update costs per event beside the reply-to-row time. Prints numbers; asserts
// nothing. Runs on the offscreen platform unless told otherwise.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include "../BenchTiming.h"
#include "pollers/RequestCode.h"
#include "pollers/TOpTarvo.h"
#include "sim/InstrumentFrames.h"
#include "sim/InstrumentSim.h"
#include "windows/TForm2.h"
#include "windows/TLineView.h"
#include "windows/TStatusPanel.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

template <typename Pred>
bool runUntil(int ms, Pred done)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// A poller as the window sets it up: the two-second reconnection, probes at the idle pace.
struct Probing
{
    explicit Probing(const QString &port)
    {
        p.Port = port;
        p.setReconnectPause(TLineView::ReconnectPause);
        p.OnGetNumber = [](TOpPoller *s) { s->Command = RequestCode::Probe; };
        p.OnPutResult = [](TOpPoller *) {};
        QObject::connect(&p, &TOpPoller::lineLost, [this](int) { lost = true; });
    }
    ~Probing()
    {
        p.Stop();
        runUntil(5000, [this] { return !p.Active(); });
    }
    TOpTarvo p;
    bool lost = false;
};

void returnToFirstRequest(int rounds)
{
    QTemporaryDir dir;
    const std::string link = dir.filePath("tty").toStdString();
    InstrumentSim sim(InstrumentSim::Family::Tarvo);
    sim.start(link);
    Probing probing(QString::fromStdString(link));
    probing.p.Start();
    std::mt19937 rng(5);
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        runUntil(5000, [&] { return !sim.receivedFrames().empty(); });
        probing.lost = false;
        sim.stop();
        runUntil(5000, [&] { return probing.lost; });
        runFor(int(rng() % 2000)); // the line comes back at any moment of the pause
        sim.clearLogs();
        sim.reopen();
        const auto t0 = Clock::now();
        // The get-number step runs on this thread: the loop must run while waiting.
        runUntil(10000, [&] { return !sim.receivedFrames().empty(); });
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    std::printf("line back -> first request, %d returns: min %.0f ms, mean %.0f ms, "
                "max %.0f ms (reconnect pause %lld ms)\n",
                rounds, ms.front(), sum / ms.size(), ms.back(),
                (long long)TLineView::ReconnectPause.count());
}

void reconnectingCpu(int seconds)
{
    QTemporaryDir dir;
    Probing probing(dir.filePath("tty")); // nothing there: every attempt fails
    InstrumentSim sim(InstrumentSim::Family::Tarvo);
    sim.start(dir.filePath("tty").toStdString());
    probing.p.Start();
    runFor(300);
    sim.stop();
    runUntil(5000, [&] { return probing.lost; });
    int retries = 0;
    QObject::connect(&probing.p, &TOpPoller::reconnectFailed, [&](int) { ++retries; });
    const double cpu0 = cpuSeconds();
    const auto t0 = Clock::now();
    runFor(seconds * 1000);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    std::printf("reconnecting to a missing port for %.1f s: CPU %.4f s = %.3f %% of one core, "
                "%d attempts\n",
                wall, cpu, 100.0 * cpu / wall, retries);
}

void garbageBeforeEveryReply(int seconds)
{
    InstrumentSim sim(InstrumentSim::Family::Tarvo);
    for (int i = 0; i < 200000; ++i)
        sim.queueFault({InstrumentSim::Fault::Garbage, 1});
    sim.start();
    TOpTarvo p;
    p.Port = QString::fromStdString(sim.slaveName());
    p.OnGetNumber = [](TOpPoller *s) { s->Command = RequestCode::Fetch; };
    p.OnPutResult = [](TOpPoller *) {};
    int dropped = 0;
    QObject::connect(&p, &TOpPoller::replyDropped, [&](TReplyVerdict) { ++dropped; });
    p.Start();
    const double cpu0 = cpuSeconds();
    const auto t0 = Clock::now();
    runFor(seconds * 1000);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    p.Stop();
    runUntil(5000, [&] { return !p.Active(); });
    std::printf("garbage before every reply for %.1f s: %zu requests, %d dropped, "
                "CPU %.2f %% of one core\n",
                wall, sim.receivedFrames().size(), dropped, 100.0 * cpu / wall);
}

void statusUpdateCost(int events)
{
    TStatusPanel panel;
    panel.resize(900, 20);
    panel.show();
    panel.pollingStarted(QStringLiteral("ttyUSB0"), 0);
    const QDateTime last = QDateTime::currentDateTime();
    const auto event = [&](int i) {
        switch (i % 4) {
        case 0:
            panel.cycle(false, last);
            break;
        case 1:
            panel.replyAccepted();
            break;
        case 2:
            panel.replyDropped(TReplyVerdict::WrongEcho);
            break;
        default:
            panel.cycle(true, last);
        }
    };
    // What the event's own path pays (the reply on its way to its row), then the same with
    // the deferred refresh of the fields run after each event.
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < events; ++i)
        event(i);
    const double inPath = t.nsecsElapsed() / 1000.0 / events;
    QCoreApplication::processEvents();
    t.restart();
    for (int i = 0; i < events; ++i) {
        event(i);
        QCoreApplication::sendPostedEvents(&panel);
    }
    const double withRefresh = t.nsecsElapsed() / 1000.0 / events;
    std::printf("status bar: %.2f us per event in the event's path, %.2f us with the refresh "
                "of the fields after each event, %d events\n",
                inPath, withRefresh, events);
}

// One result into a window as the poller hands it over, the window's whole put-result step:
// decode, row, journal, status.
void replyToRow(int results)
{
    QTemporaryDir dir;
    TRegistrationWindow::SetProgramDir(dir.path());
    TForm2 w;
    w.MessageBox = [](auto, auto &, auto &, auto) { return QMessageBox::No; };
    w.show();
    QDateTime clock(QDate(2024, 3, 1), QTime(8, 0));
    w.Now = [&] { return clock = clock.addSecs(121); };
    std::vector<uint32_t> words(12, EncodeFp(3.5));
    const auto frame = BuildTarvoFrame(106, 0, 1, words, AddressEcho(0));
    TOpPoller *p = w.OpTarvo1;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < results; ++i) {
        p->ResultData[0] = 4;
        std::copy(frame.begin(), frame.end(), p->ResultData.begin() + 1);
        p->Command = RequestCode::Fetch;
        emit p->replyAccepted(); // the status bar's part, as the poller emits it
        w.OpTarvo1PutResult(p);
        p->Command = RequestCode::Confirm;
        emit p->replyAccepted();
        w.OpTarvo1PutResult(p);
    }
    std::printf("reply to row (decode, row, status bar), %d results: %.1f us per result\n", results,
                t.nsecsElapsed() / 1000.0 / results);
    TRegistrationWindow::SetProgramDir(QString());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool quick = argc > 1 && QByteArray(argv[1]) == "--quick";
    returnToFirstRequest(quick ? 3 : 10);
    reconnectingCpu(quick ? 4 : 20);
    garbageBeforeEveryReply(quick ? 3 : 12);
    statusUpdateCost(100000);
    replyToRow(quick ? 500 : 2000);
    return 0;
}
