// instrument-sim: a simulated milk analyser on a pseudo-terminal, for the demo and for tests.
// Prints the slave's name as its only line on stdout, logs to stderr, serves until SIGINT or
// SIGTERM and removes its link on the way out.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <pthread.h>

#include "sim/InstrumentSim.h"

namespace {

void Usage()
{
    std::fprintf(stderr, "usage: instrument-sim --family tarvo|mirel [--link PATH] [--address N]\n"
                         "       [--length 38|54|106] [--status HEX] [--trickle] [--log FILE]\n"
                         "       [--values V1,V2,...] [--group N] [--mask HEX] [--hang-up-at N]\n"
                         "       [--odd-every N] [--control V1,V2,... [--control-every N]\n"
                         "       [--drift D1,D2,...]]\n");
}

bool ParseNumber(const char *text, int base, long max, long &out)
{
    char *end = nullptr;
    errno = 0;
    out = std::strtol(text, &end, base);
    return errno == 0 && end != text && *end == '\0' && out >= 0 && out <= max;
}

// "3.45,-0.5,12" -> the values in order; false on anything that is not a number.
bool ParseValues(const char *text, std::vector<double> &out)
{
    out.clear();
    const char *p = text;
    while (*p) {
        char *end = nullptr;
        errno = 0;
        const double v = std::strtod(p, &end);
        if (errno != 0 || end == p || (*end != ',' && *end != '\0'))
            return false;
        out.push_back(v);
        p = *end == ',' ? end + 1 : end;
    }
    return !out.empty();
}

} // namespace

int main(int argc, char **argv)
{
    std::string family;
    std::string link;
    std::string logPath;
    long address = 0;
    long length = 106;
    long status = -1;
    bool trickle = false;
    long group = -1;
    long mask = -1;
    long hangUpAt = 0;
    long oddEvery = 0;
    std::vector<double> values;
    std::vector<double> control;
    std::vector<double> drift;
    long controlEvery = 5;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--trickle") {
            trickle = true;
        } else if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else if (!hasValue) {
            Usage();
            return 2;
        } else if (arg == "--family") {
            family = argv[++i];
        } else if (arg == "--link") {
            link = argv[++i];
        } else if (arg == "--log") {
            logPath = argv[++i];
        } else if (arg == "--address") {
            if (!ParseNumber(argv[++i], 0, 0xFFFF, address)) {
                std::fprintf(stderr, "instrument-sim: bad address %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--length") {
            if (!ParseNumber(argv[++i], 10, 1000, length)) {
                std::fprintf(stderr, "instrument-sim: bad length %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--status") {
            if (!ParseNumber(argv[++i], 16, 0xFFFF, status)) {
                std::fprintf(stderr, "instrument-sim: bad status %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--values") {
            if (!ParseValues(argv[++i], values)) {
                std::fprintf(stderr, "instrument-sim: bad values %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--group") {
            if (!ParseNumber(argv[++i], 10, 0xFF, group)) {
                std::fprintf(stderr, "instrument-sim: bad group %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--hang-up-at") {
            if (!ParseNumber(argv[++i], 10, 100000, hangUpAt) || hangUpAt == 0) {
                std::fprintf(stderr, "instrument-sim: bad request number %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--odd-every") {
            if (!ParseNumber(argv[++i], 10, 100000, oddEvery)) {
                std::fprintf(stderr, "instrument-sim: bad sample count %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--control" || arg == "--drift") {
            if (!ParseValues(argv[++i], arg == "--control" ? control : drift)) {
                std::fprintf(stderr, "instrument-sim: bad values %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--control-every") {
            if (!ParseNumber(argv[++i], 10, 100000, controlEvery) || controlEvery == 0) {
                std::fprintf(stderr, "instrument-sim: bad sample count %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--mask") {
            if (!ParseNumber(argv[++i], 16, 0x7FFFFFFF, mask)) {
                std::fprintf(stderr, "instrument-sim: bad mask %s\n", argv[i]);
                return 2;
            }
        } else {
            Usage();
            return 2;
        }
    }
    if (family != "tarvo" && family != "mirel") {
        Usage();
        return 2;
    }

    InstrumentSim sim(family == "tarvo" ? InstrumentSim::Family::Tarvo
                                        : InstrumentSim::Family::Mirel,
                      static_cast<uint16_t>(address));
    if (!sim.setTarvoLength(int(length))) {
        std::fprintf(stderr, "instrument-sim: length must be 38, 54 or 106\n");
        return 2;
    }
    if (status >= 0)
        sim.setStatus(static_cast<uint16_t>(status));
    sim.setTrickle(trickle);
    // Fixed values and a known group let a test compare the program's rows with what was sent.
    if (!values.empty())
        sim.setValues(values);
    // Now and then a sample the norms turn away, so coloured limits have something to show.
    sim.setOddEvery(int(oddEvery));
    // Control milk between the samples, drifting off by the given steps, for quality control.
    if (!control.empty())
        sim.setControlMilk(ControlMilk(int(controlEvery), control, drift));
    if (group >= 0)
        sim.setGroup(static_cast<uint8_t>(group));
    if (mask >= 0)
        sim.setMask(static_cast<uint32_t>(mask));
    // The line drops instead of the answer to request N (counted from 1), as a pulled cable.
    for (long n = 1; n < hangUpAt; ++n)
        sim.queueFault({});
    if (hangUpAt > 0)
        sim.queueFault({InstrumentSim::Fault::HangUp, 0});

    FILE *log = nullptr;
    if (!logPath.empty()) {
        log = std::fopen(logPath.c_str(), "ae");
        if (!log) {
            std::fprintf(stderr, "instrument-sim: cannot open %s: %s\n", logPath.c_str(),
                         std::strerror(errno));
            return 1;
        }
        sim.setFrameCallback([log](const std::vector<uint8_t> &frame) {
            std::string line;
            for (uint8_t b : frame) {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%s%02X", line.empty() ? "" : " ", b);
                line += hex;
            }
            std::fprintf(log, "%s\n", line.c_str());
            std::fflush(log);
        });
    }

    // The signals are taken by sigwait below; the serving thread inherits the blocked mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    if (!sim.start(link)) {
        std::fprintf(stderr, "instrument-sim: %s\n", sim.errorString().c_str());
        return 1;
    }
    std::printf("%s\n", sim.slaveName().c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "instrument-sim: %s at %s%s%s, address %ld\n", family.c_str(),
                 sim.slaveName().c_str(), link.empty() ? "" : " via ", link.c_str(), address);

    int received = 0;
    sigwait(&signals, &received);
    sim.stop();
    if (log)
        std::fclose(log);
    std::fprintf(stderr, "instrument-sim: stopped (signal %d), %zu requests answered\n", received,
                 sim.exchanges().size());
    return 0;
}
