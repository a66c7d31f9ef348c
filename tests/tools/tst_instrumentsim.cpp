#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cmath>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "pollers/NumberFormats.h"
#include "pollers/RequestCode.h"
#include "sim/InstrumentFrames.h"
#include "sim/InstrumentSim.h"
#include "sim/MilkGenerator.h"

using Sim = InstrumentSim;
using Fault = InstrumentSim::Fault;
using namespace RequestCode;
Q_DECLARE_METATYPE(InstrumentSim::Family)
Q_DECLARE_METATYPE(InstrumentSim::Fault::Kind)

namespace {

QByteArray Bytes(const std::vector<uint8_t> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), qsizetype(v.size()));
}

template <std::size_t N>
QByteArray Bytes(const std::array<uint8_t, N> &a)
{
    return QByteArray(reinterpret_cast<const char *>(a.data()), qsizetype(N));
}

uint8_t At(const QByteArray &b, int i)
{
    return static_cast<uint8_t>(b.at(i));
}

// The client side as the program sees it: the slave opened raw and exclusive.
class Client
{
public:
    ~Client() { close(); }
    bool open(const QString &path)
    {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        if (m_fd < 0 || ::ioctl(m_fd, TIOCEXCL) != 0 || ::tcgetattr(m_fd, &tio) != 0)
            return false;
        ::cfmakeraw(&tio);
        return ::tcsetattr(m_fd, TCSANOW, &tio) == 0 && ::tcflush(m_fd, TCIOFLUSH) == 0;
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    bool send(const QByteArray &bytes, bool bytewise = false)
    {
        for (qsizetype done = 0; done < bytes.size();) {
            const auto n = ::write(m_fd, bytes.constData() + done,
                                   bytewise ? 1 : size_t(bytes.size() - done));
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }
    // Up to `count` bytes, as many as arrive before the time-out; `reads` counts the chunks.
    QByteArray read(int count, int timeoutMs = 2000, int *reads = nullptr)
    {
        QByteArray out;
        QDeadlineTimer deadline(timeoutMs);
        while (out.size() < count) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(deadline.remainingTime())) <= 0 || !(p.revents & POLLIN))
                break;
            char buf[512];
            const auto n = ::read(m_fd, buf, size_t(std::min<qsizetype>(count - out.size(), 512)));
            if (n <= 0)
                break;
            out.append(buf, n);
            if (reads)
                ++*reads;
        }
        return out;
    }
    // `count` bytes, and whatever follows them within a short while, which should be nothing.
    QByteArray readReply(int count)
    {
        QByteArray out = read(count);
        return out + read(1, 30);
    }
    QByteArray exchange(uint16_t address, uint8_t code, int count)
    {
        return send(Bytes(RequestFrame(address, code))) ? readReply(count) : QByteArray();
    }
    // A dropped line reads as hang-up or end of file, at once.
    bool hungUp()
    {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 2000) <= 0)
            return false;
        char c = 0;
        return (p.revents & (POLLHUP | POLLERR)) || ::read(m_fd, &c, 1) <= 0;
    }
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

struct TarvoDecoded
{
    uint16_t status = 0;
    uint8_t group = 0;
    std::vector<double> values;
};

// The first family's layout read back with the program's converter.
TarvoDecoded DecodeTarvo(const QByteArray &r)
{
    TarvoDecoded d;
    const int header = r.size() == 106 ? 6 : 2;
    auto nib = [&r](int i) { return unsigned(At(r, i) & 0x0F); };
    if (header == 6)
        d.status = uint16_t(nib(0) | nib(1) << 4 | nib(2) << 8 | nib(3) << 12);
    d.group = uint8_t(nib(header - 2) | nib(header - 1) << 4);
    for (int off = header; off + 8 <= r.size() - 4; off += 8) {
        const auto *p = reinterpret_cast<const uint8_t *>(r.constData() + off);
        d.values.push_back(Fp8ToReal(std::span<const uint8_t, 8>(p, 8)));
    }
    return d;
}

struct MirelDecoded
{
    uint32_t mask = 0;
    uint16_t status = 0;
    uint8_t count = 0;
    std::vector<double> values;
};

MirelDecoded DecodeMirel(const QByteArray &r)
{
    std::vector<uint32_t> data;
    for (int j = 0; 2 * j + 1 < r.size() - 4; ++j)
        data.push_back((At(r, 2 * j) & 0x0Fu) | (At(r, 2 * j + 1) & 0x0Fu) << 4);
    auto le = [&data](int at, int n) {
        uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = v << 8 | data[size_t(at + i)];
        return v;
    };
    MirelDecoded d;
    d.mask = le(0, 4);
    d.status = uint16_t(le(4, 2));
    d.count = uint8_t(le(6, 1));
    for (int k = 0; 11 + 4 * k <= int(data.size()); ++k)
        d.values.push_back(FpToReal(le(7 + 4 * k, 4)));
    return d;
}

} // namespace

class TestInstrumentSim : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString link(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    void encodeKnownWords_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<uint>("word");
        QTest::newRow("zero") << 0.0 << 0x00000000u;
        QTest::newRow("one") << 1.0 << 0x00400000u;
        QTest::newRow("minus one") << -1.0 << 0x00C00000u;
        QTest::newRow("half") << 0.5 << 0xFF400000u;
        QTest::newRow("three") << 3.0 << 0x01600000u;
        QTest::newRow("last fraction bit") << 1.0 + std::ldexp(1.0, -22) << 0x00400001u;
        QTest::newRow("rounds up into the exponent") << 2.0 - std::ldexp(1.0, -24) << 0x01400000u;
        QTest::newRow("smallest exponent") << std::ldexp(1.0, -128) << 0x80400000u;
        QTest::newRow("largest") << -std::ldexp(2.0 - std::ldexp(1.0, -22), 126) << 0x7EFFFFFFu;
        QTest::newRow("below the range") << std::ldexp(1.0, -130) << 0x00000000u;
    }
    void encodeKnownWords()
    {
        QFETCH(double, value);
        QFETCH(uint, word);
        QCOMPARE(EncodeFp(value), uint32_t(word));
    }

    void encodeRefusesWhatTheWordCannotCarry_data()
    {
        QTest::addColumn<double>("value");
        QTest::newRow("2^127 would read as 0") << std::ldexp(1.0, 127);
        QTest::newRow("rounds up to 2^127") << std::ldexp(2.0 - std::ldexp(1.0, -24), 126);
        QTest::newRow("infinity") << double(INFINITY);
        QTest::newRow("not a number") << double(NAN);
    }
    void encodeRefusesWhatTheWordCannotCarry()
    {
        QFETCH(double, value);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, EncodeFp(value));
    }

    void fp8Bytes()
    {
        const auto one = EncodeFp8(EncodeFp(1.0));
        QCOMPARE(Bytes(one), QByteArray::fromHex("A0A0A0A0A0A4A0A0"));
        QCOMPARE(Fp8ToReal(one), 1.0);
        // The high nibble is the instrument's; below 0x7F the program must refuse the group.
        QVERIFY_THROWS_EXCEPTION(EConvertError, Fp8ToReal(EncodeFp8(0x00400000u, 0x30)));
        QCOMPARE(Fp8ToReal(EncodeFp8(0x00400000u, 0xF0)), 1.0);
    }

    // Every exponent the instrument can send, both signs, through the program's decoders.
    void roundTrip_data()
    {
        QTest::addColumn<double>("sign");
        QTest::addColumn<double>("mantissa");
        for (double sign : {1.0, -1.0}) {
            const char *s = sign > 0 ? "+" : "-";
            QTest::addRow("%s exact 1", s) << sign << 1.0;
            QTest::addRow("%s exact 1.75", s) << sign << 1.75;
            QTest::addRow("%s inexact 1/3 + 1", s) << sign << 4.0 / 3.0;
            QTest::addRow("%s inexact near 2", s) << sign << 1.9999999;
            QTest::addRow("%s inexact pi/2", s) << sign << M_PI / 2;
        }
    }
    void roundTrip()
    {
        QFETCH(double, sign);
        QFETCH(double, mantissa);
        for (int e = -128; e <= 125; ++e) {
            const double x = sign * std::ldexp(mantissa, e);
            const uint32_t word = EncodeFp(x);
            const double back = FpToReal(word);
            QCOMPARE(back, FpWordValue(word));
            QVERIFY2(std::fabs(back - x) <= std::ldexp(std::fabs(x), -23),
                     qPrintable(QString("exponent %1").arg(e)));
            QCOMPARE(Fp8ToReal(EncodeFp8(word)), back);
            if (mantissa == 1.0 || mantissa == 1.75)
                QCOMPARE(back, x);
        }
    }

    void frames_data()
    {
        QTest::addColumn<Sim::Family>("family");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("tarvoLength");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("length");
        const auto T = Sim::Family::Tarvo;
        const auto M = Sim::Family::Mirel;
        QTest::newRow("tarvo result 106") << T << 0 << 106 << int(Fetch) << 106;
        QTest::newRow("tarvo result 54") << T << 0 << 54 << int(Fetch) << 54;
        QTest::newRow("tarvo result 38") << T << 0 << 38 << int(Fetch) << 38;
        QTest::newRow("tarvo acknowledge") << T << 0 << 106 << int(Confirm) << 4;
        QTest::newRow("tarvo probe") << T << 0 << 106 << int(Probe) << 4;
        QTest::newRow("tarvo short fetch") << T << 0 << 106 << int(FetchShort) << 76;
        QTest::newRow("tarvo address 0x1234") << T << 0x1234 << 106 << int(Fetch) << 106;
        QTest::newRow("mirel result") << M << 0 << 106 << int(Fetch) << 234;
        QTest::newRow("mirel acknowledge") << M << 0 << 106 << int(Confirm) << 4;
        QTest::newRow("mirel probe") << M << 0 << 106 << int(Probe) << 4;
        QTest::newRow("mirel short fetch") << M << 0 << 106 << int(FetchShort) << 76;
        QTest::newRow("mirel address 0xBEEF") << M << 0xBEEF << 106 << int(Fetch) << 234;
    }
    void frames()
    {
        QFETCH(Sim::Family, family);
        QFETCH(int, address);
        QFETCH(int, tarvoLength);
        QFETCH(int, code);
        QFETCH(int, length);
        Sim sim(family, uint16_t(address));
        QVERIFY(sim.setTarvoLength(tarvoLength));
        QVERIFY2(sim.start(link("frames").toStdString()), sim.errorString().c_str());
        QCOMPARE(QFileInfo(link("frames")).symLinkTarget(), QString::fromStdString(sim.slaveName()));
        Client c;
        QVERIFY(c.open(link("frames")));
        const QByteArray request = Bytes(RequestFrame(uint16_t(address), uint8_t(code)));
        const QByteArray reply = c.exchange(uint16_t(address), uint8_t(code), length);
        QCOMPARE(reply.size(), length);
        QVERIFY(reply.endsWith(request.left(4)));
        if (address == 0x1234)
            QCOMPARE(request, QByteArray::fromHex("94A3A2A106"));
        QVERIFY(sim.waitForExchanges(1, 2000));
        const auto frames = sim.receivedFrames();
        QCOMPARE(frames.size(), size_t(1));
        QCOMPARE(Bytes(frames[0]), request);
        const auto ex = sim.exchanges().at(0);
        QCOMPARE(Bytes(ex.request), request);
        QCOMPARE(Bytes(ex.reply), reply);
        QCOMPARE(ex.resultFrame, code == Fetch);
    }

    void wrongAddressIgnored()
    {
        Sim sim(Sim::Family::Tarvo, 5);
        QVERIFY(sim.start(link("addr").toStdString()));
        Client c;
        QVERIFY(c.open(link("addr")));
        QVERIFY(c.send(Bytes(RequestFrame(6, Fetch)) + Bytes(RequestFrame(0x0105, Fetch))));
        QCOMPARE(c.exchange(5, Confirm, 4), Bytes(AddressEcho(5)));
        QVERIFY(sim.waitForFrames(3, 2000));
        QCOMPARE(sim.receivedFrames().size(), size_t(3)); // all seen on the line
        QCOMPARE(sim.exchanges().size(), size_t(1));      // one answered
    }

    void garbageBetweenRequests_data()
    {
        QTest::addColumn<QByteArray>("junk");
        QTest::addColumn<bool>("bytewise");
        QTest::newRow("noise") << QByteArray::fromHex("00FF55A0A0") << false;
        QTest::newRow("half a request") << QByteArray::fromHex("90A0") << false;
        QTest::newRow("unknown code") << QByteArray::fromHex("90A0A0A005") << false;
        QTest::newRow("address bytes repeated") << QByteArray::fromHex("9190A090A0A0") << false;
        QTest::newRow("byte by byte") << QByteArray::fromHex("90A0A0") << true;
    }
    void garbageBetweenRequests()
    {
        QFETCH(QByteArray, junk);
        QFETCH(bool, bytewise);
        Sim sim(Sim::Family::Mirel);
        QVERIFY(sim.start(link("junk").toStdString()));
        Client c;
        QVERIFY(c.open(link("junk")));
        const QByteArray request = Bytes(RequestFrame(0, Fetch));
        QVERIFY(c.send(junk + request + junk + Bytes(RequestFrame(0, Confirm)), bytewise));
        const QByteArray result = c.read(234);
        QCOMPARE(result.size(), 234);
        QVERIFY(result.endsWith(request.left(4)));
        QCOMPARE(c.readReply(4), request.left(4));
        QCOMPARE(sim.receivedFrames().size(), size_t(2));
    }

    void tarvoLayout_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("values");
        QTest::newRow("kind 1") << 38 << 4;
        QTest::newRow("kind 2") << 54 << 6;
        QTest::newRow("kind 4") << 106 << 12;
    }
    void tarvoLayout()
    {
        QFETCH(int, length);
        QFETCH(int, values);
        Sim sim(Sim::Family::Tarvo);
        sim.setTarvoLength(length);
        sim.setStatus(0x1A5C);
        sim.setGroup(0xFE);
        QVERIFY(sim.start(link("tarvo").toStdString()));
        Client c;
        QVERIFY(c.open(link("tarvo")));
        size_t n = 0;
        for (uint8_t group : {0xFE, 0xFF, 0x00}) {
            const QByteArray r = c.exchange(0, Fetch, length);
            QCOMPARE(r.size(), length);
            for (int i = 0; i < length - 4; ++i)
                QVERIFY2((At(r, i) & 0xF0) == 0xA0, qPrintable(QString("byte %1").arg(i)));
            const TarvoDecoded d = DecodeTarvo(r);
            QVERIFY(sim.waitForExchanges(++n, 2000));
            const auto ex = sim.exchanges().back();
            QCOMPARE(d.group, group);
            QCOMPARE(ex.groupOrCount, group);
            QCOMPARE(d.status, uint16_t(length == 106 ? 0x1A5C : 0));
            QCOMPARE(ex.status, d.status);
            QCOMPARE(int(d.values.size()), values);
            QCOMPARE(d.values, ex.values);
            // Realistic milk in the order the window shows it.
            QVERIFY(d.values[0] >= 15 && d.values[0] <= 30);     // temperature
            QVERIFY(d.values[1] >= 2.5 && d.values[1] <= 6);     // fat
            QVERIFY(d.values[3] >= 1026 && d.values[3] <= 1034); // density
            if (values == 12)
                QVERIFY(d.values[10] >= -0.56 && d.values[10] <= -0.50); // freezing point
            // Two decimals survive the word.
            for (double v : d.values)
                QVERIFY(std::fabs(v - std::round(v * 100) / 100) < 1e-3);
        }
    }

    void mirelLayout()
    {
        Sim sim(Sim::Family::Mirel);
        sim.setMask(0x05A5A5A5);
        sim.setCount(255);
        std::vector<double> fixed = {3.25, -0.53, 1030.5, 0.0, 1e-3};
        sim.setValues(fixed);
        QVERIFY(sim.start(link("mirel").toStdString()));
        Client c;
        QVERIFY(c.open(link("mirel")));
        QByteArray r = c.exchange(0, Fetch, 234);
        QCOMPARE(r.size(), 234);
        for (int i = 0; i < 230; ++i)
            QVERIFY((At(r, i) & 0xF0) != 0);
        MirelDecoded d = DecodeMirel(r);
        QCOMPARE(d.mask, 0x05A5A5A5u);
        QCOMPARE(d.status, uint16_t(0x0800));
        QCOMPARE(d.count, uint8_t(255));
        QCOMPARE(d.values.size(), size_t(27));
        for (size_t k = 0; k < fixed.size(); ++k)
            QVERIFY(std::fabs(d.values[k] - fixed[k]) <= 1e-6 * std::max(1.0, fixed[k]));
        QCOMPARE(d.values[20], 0.0);
        QVERIFY(sim.waitForExchanges(1, 2000));
        QCOMPARE(d.values, sim.exchanges()[0].values);

        sim.useGenerator(42);
        sim.setStatus(0x0801);
        r = c.exchange(0, Fetch, 234);
        d = DecodeMirel(r);
        QCOMPARE(d.count, uint8_t(0));
        QCOMPARE(d.status, uint16_t(0x0801));
        QVERIFY(sim.waitForExchanges(2, 2000));
        QCOMPARE(d.values, sim.exchanges()[1].values);
        QVERIFY(d.values[0] >= 2.5 && d.values[0] <= 6);     // fat
        QVERIFY(d.values[2] >= 1026 && d.values[2] <= 1034); // density
        QCOMPARE(QString::number(d.values[9], 'f', 2),       // total solids = fat + SNF
                 QString::number(d.values[0] + d.values[1], 'f', 2));
    }

    // Good samples keep to the raw-milk norms the demo's limits state; with --odd-every n
    // samples n, 2n, ... break at least one of them, and only those.
    void oddSamplesOutOfNorms_data()
    {
        QTest::addColumn<bool>("tarvo");
        QTest::addColumn<int>("every");
        QTest::newRow("tarvo, none by default") << true << 0;
        QTest::newRow("tarvo, every third") << true << 3;
        QTest::newRow("mirel, none by default") << false << 0;
        QTest::newRow("mirel, every one") << false << 1;
        QTest::newRow("mirel, every seventh") << false << 7;
    }
    void oddSamplesOutOfNorms()
    {
        QFETCH(bool, tarvo);
        QFETCH(int, every);
        struct Norm
        {
            int tarvo;
            int mirel;
            double min;
            double max;
        };
        const Norm norms[] = {{1, 0, 2.8, 6.0}, {2, 1, 8.2, 1e9}, {3, 2, 1027, 1030},
                              {4, 3, 2.8, 3.6}, {5, 6, -1e9, 0},  {10, 7, -1e9, -0.52}};
        MilkGenerator generator(11);
        if (every > 0)
            generator.setOddEvery(every);
        for (int n = 1; n <= 90; ++n) {
            const std::vector<double> v = tarvo ? generator.tarvo() : generator.mirel();
            bool out = false;
            for (const Norm &norm : norms) {
                const double x = v[tarvo ? norm.tarvo : norm.mirel];
                out = out || x < norm.min || x > norm.max;
            }
            QVERIFY2(out == (every > 0 && n % every == 0), qPrintable(QString::number(n)));
        }
    }

    void faults_data()
    {
        QTest::addColumn<Sim::Family>("family");
        QTest::addColumn<Fault::Kind>("kind");
        QTest::addColumn<int>("param");
        const auto T = Sim::Family::Tarvo;
        const auto M = Sim::Family::Mirel;
        QTest::newRow("silence") << T << Fault::Silence << 0;
        QTest::newRow("short by default 1") << T << Fault::ShortReply << 0;
        QTest::newRow("short by 10") << M << Fault::ShortReply << 10;
        QTest::newRow("wrong echo byte 2") << T << Fault::WrongEcho << 2;
        QTest::newRow("wrong echo byte 0") << M << Fault::WrongEcho << 0;
        QTest::newRow("length 105") << T << Fault::WrongLength << 105;
        QTest::newRow("length 110") << T << Fault::WrongLength << 110;
        QTest::newRow("length 233") << M << Fault::WrongLength << 233;
        QTest::newRow("garbage 3") << T << Fault::Garbage << 3;
        QTest::newRow("garbage 1") << M << Fault::Garbage << 0;
        QTest::newRow("trickle") << T << Fault::Trickle << 0;
        QTest::newRow("delay") << M << Fault::Delay << 30;
        QTest::newRow("bad status tarvo") << T << Fault::BadStatus << 0x1020;
        QTest::newRow("bad status mirel") << M << Fault::BadStatus << 0x0001;
    }
    // Each fault spoils one reply of a result that is otherwise sent again unchanged.
    void faults()
    {
        QFETCH(Sim::Family, family);
        QFETCH(Fault::Kind, kind);
        QFETCH(int, param);
        const int length = family == Sim::Family::Tarvo ? 106 : 234;
        Sim sim(family);
        sim.setValues({21.5, 3.6, 8.9, 1029.0});
        QVERIFY(sim.start(link("faults").toStdString()));
        Client c;
        QVERIFY(c.open(link("faults")));
        const QByteArray echo = Bytes(AddressEcho(0));
        sim.setGroup(9);
        const QByteArray normal = c.exchange(0, Fetch, length);
        QCOMPARE(normal.size(), length);

        sim.setGroup(9);
        sim.queueFault({kind, param});
        QVERIFY(c.send(Bytes(RequestFrame(0, Fetch))));
        int expected = length;
        if (kind == Fault::Silence)
            expected = 0;
        else if (kind == Fault::ShortReply)
            expected = length - std::max(param, 1);
        else if (kind == Fault::WrongLength)
            expected = param;
        else if (kind == Fault::Garbage)
            expected = length + std::max(param, 1);
        int reads = 0;
        const QByteArray got = expected ? c.read(expected, 2000, &reads) : QByteArray();
        QCOMPARE(got.size(), expected);
        QVERIFY(sim.waitForExchanges(2, 2000));
        QCOMPARE(Bytes(sim.exchanges()[1].reply), got);
        QCOMPARE(sim.exchanges()[1].fault.kind, kind);

        switch (kind) {
        case Fault::ShortReply:
            QCOMPARE(got, normal.left(expected));
            break;
        case Fault::WrongEcho:
            for (int i = 0; i < length; ++i)
                QCOMPARE(got.at(i) != normal.at(i), i == length - 4 + param);
            break;
        case Fault::WrongLength:
            QVERIFY(got.endsWith(echo));
            QCOMPARE(got.left(std::min(expected, length) - 4),
                     normal.left(std::min(expected, length) - 4));
            break;
        case Fault::Garbage:
            QCOMPARE(got.mid(expected - length), normal);
            break;
        case Fault::BadStatus:
            if (family == Sim::Family::Tarvo) {
                QCOMPARE(DecodeTarvo(got).status, uint16_t(param));
                QCOMPARE(got.mid(4), normal.mid(4));
            } else {
                QCOMPARE(DecodeMirel(got).status, uint16_t(param));
                QCOMPARE(DecodeMirel(got).values, DecodeMirel(normal).values);
            }
            break;
        case Fault::Trickle:
            QVERIFY(reads > 1); // the bytes came one by one, not as one block
            [[fallthrough]];
        default:
            if (expected)
                QCOMPARE(got, normal);
        }
        // The fault was used up: the next exchange is clean and nothing else is on the line.
        QCOMPARE(c.exchange(0, Confirm, 4), echo);
    }

    void hangUpAndReopen_data()
    {
        QTest::addColumn<bool>("byFault");
        QTest::newRow("pulled by the test") << false;
        QTest::newRow("pulled on a request") << true;
    }
    void hangUpAndReopen()
    {
        QFETCH(bool, byFault);
        const QString path = link("hangup");
        Sim sim(Sim::Family::Tarvo);
        QVERIFY(sim.start(path.toStdString()));
        Client old;
        QVERIFY(old.open(path));
        QCOMPARE(old.exchange(0, Confirm, 4).size(), 4);
        if (byFault) {
            sim.queueFault({Fault::HangUp});
            QVERIFY(old.send(Bytes(RequestFrame(0, Fetch))));
        } else {
            sim.stop();
        }
        QVERIFY(old.hungUp());
        QTRY_VERIFY_WITH_TIMEOUT(!sim.isServing(), 2000);
        QVERIFY(!QFileInfo(path).isSymLink()); // gone, like the adapter's device node
        QVERIFY(sim.slaveName().empty());

        QVERIFY2(sim.reopen(), sim.errorString().c_str());
        QVERIFY(sim.isServing());
        QCOMPARE(QFileInfo(path).symLinkTarget(), QString::fromStdString(sim.slaveName()));
        Client fresh;
        QVERIFY(fresh.open(path));
        QCOMPARE(fresh.exchange(0, Fetch, 106).size(), 106);
        QVERIFY(old.hungUp());
    }

    // A client's TIOCEXCL must not outlive its close: the program opens the port again on
    // every start of polling. Root passes TIOCEXCL anyway, so an unprivileged child checks it.
    void exclusiveClientReopens()
    {
        const QString path = link("excl");
        Sim sim(Sim::Family::Tarvo);
        QVERIFY(sim.start(path.toStdString()));
        for (int round = 0; round < 2; ++round) {
            Client c;
            QVERIFY(c.open(path));
            QCOMPARE(c.exchange(0, Confirm, 4).size(), 4);
        }
        if (::geteuid() != 0)
            return;
        const std::string slave = sim.slaveName();
        QCOMPARE(::chmod(slave.c_str(), 0666), 0);
        const auto request = RequestFrame(0, Confirm);
        const pid_t pid = ::fork();
        if (pid == 0) {
            // Only async-signal-safe calls from here on.
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(20);
            for (int round = 0; round < 3; ++round) {
                int fd = -1;
                for (int tries = 0; fd < 0 && tries < 200; ++tries) {
                    fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
                    if (fd < 0) {
                        const timespec pause{0, 5000000};
                        ::nanosleep(&pause, nullptr);
                    }
                }
                if (fd < 0)
                    ::_exit(10 + round);
                if (::ioctl(fd, TIOCEXCL) != 0)
                    ::_exit(21);
                const int second = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
                if (second >= 0 || errno != EBUSY)
                    ::_exit(22); // exclusive really shuts others out while open
                if (::write(fd, request.data(), 5) != 5)
                    ::_exit(23);
                uint8_t echo[4];
                size_t got = 0;
                while (got < 4) {
                    pollfd p{fd, POLLIN, 0};
                    if (::poll(&p, 1, 2000) <= 0)
                        ::_exit(24);
                    const ssize_t n = ::read(fd, echo + got, 4 - got);
                    if (n <= 0)
                        ::_exit(25);
                    got += size_t(n);
                }
                ::close(fd);
            }
            ::_exit(0);
        }
        QVERIFY(pid > 0);
        int status = 0;
        QCOMPARE(::waitpid(pid, &status, 0), pid);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    void program()
    {
        const QString path = link("program");
        const QString log = link("program.log");
        QProcess p;
        p.start(QStringLiteral(INSTRUMENT_SIM_PROGRAM),
                {"--family", "mirel", "--link", path, "--address", "0x12", "--status", "801",
                 "--log", log});
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(p.canReadLine() || p.state() != QProcess::Running, 5000);
        const QString slave = QString::fromLocal8Bit(p.readLine()).trimmed();
        QVERIFY(slave.startsWith("/dev/pts/"));
        QCOMPARE(QFileInfo(path).symLinkTarget(), slave);

        Client c;
        QVERIFY(c.open(path));
        const QByteArray reply = c.exchange(0x12, Fetch, 234);
        QCOMPARE(reply.size(), 234);
        QVERIFY(reply.endsWith(Bytes(AddressEcho(0x12))));
        QCOMPARE(DecodeMirel(reply).status, uint16_t(0x0801));
        QCOMPARE(c.exchange(0x12, Confirm, 4), Bytes(AddressEcho(0x12)));
        c.close();

        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(p.readAllStandardOutput(), QByteArray()); // the slave line was all
        QVERIFY(!QFileInfo(path).isSymLink());
        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("92 A1 A0 A0 06\n92 A1 A0 A0 09\n"));
    }

    void programRefusesBadArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no family") << QStringList{"--link", link("bad")};
        QTest::newRow("bad length") << QStringList{"--family", "tarvo", "--length", "40"};
        QTest::newRow("bad address") << QStringList{"--family", "tarvo", "--address", "70000"};
        QTest::newRow("bad odd-every") << QStringList{"--family", "tarvo", "--odd-every", "x"};
    }
    void programRefusesBadArguments()
    {
        QFETCH(QStringList, args);
        QProcess p;
        p.start(QStringLiteral(INSTRUMENT_SIM_PROGRAM), args);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 2);
        QCOMPARE(p.readAllStandardOutput(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestInstrumentSim)
#include "tst_instrumentsim.moc"
