#include <QElapsedTimer>
#include <QTemporaryFile>
#include <QtTest>

#include <csignal>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "PtyPair.h"
#include "serial/TCustomComPort.h"

// The port against a pseudo-terminal: opening, exclusivity, reads, writes, hang-ups.
class TestComPort : public QObject
{
    Q_OBJECT

private slots:
    void messages_data();
    void messages();
    void missingPortFailsClosed();
    void nonTerminalFailsClosed();
    void failedSetupClosesPort_data();
    void failedSetupClosesPort();
    void secondOpenRefused();
    void openAndCloseTwice();
    void rawBytesBothWays();
    void transferTotals_data();
    void transferTotals();
    void readCounts_data();
    void readCounts();
    void discardNull();
    void clearBufferDropsInput();
    void hangUpDuringRead();
    void cancelEndsRead();
    void propertyReappliedWhileOpen();
    void customSpeedOpens();
    void nothingLeftByAKilledHolder_data();
    void nothingLeftByAKilledHolder();
};

namespace {

constexpr uid_t kNobody = 65534;

// Opens the device in a child process as the pollers do (9600 8-O-1), reports the errno (0:
// opened), holds the port and is killed with SIGKILL: the line stays as that copy set it.
int openAndKill(const QString &device, bool unprivileged)
{
    int report[2];
    if (pipe(report) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        unsigned char err = unprivileged && setuid(kNobody) != 0 ? 255 : 0;
        TComPort port;
        try {
            port.SetPort(device);
            port.SetBaudRate(br9600);
            port.Parity().SetBits(prOdd);
            port.Open();
        } catch (const EComPort &e) {
            err = static_cast<unsigned char>(e.WinCode());
        }
        if (write(report[1], &err, 1) == 1)
            for (;;)
                pause();
        _exit(1);
    }
    pollfd p{report[0], POLLIN, 0};
    unsigned char err = 254;
    if (poll(&p, 1, 5000) == 1 && read(report[0], &err, 1) != 1)
        err = 253;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(report[0]);
    close(report[1]);
    return err;
}

} // namespace

void TestComPort::messages_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("open") << 1 << "Unable to open com port";
    QTest::newRow("read") << 3 << "ReadFile function failed";
    QTest::newRow("setup") << 9 << "SetupComm function failed";
    QTest::newRow("connected") << 14 << "Cannot set property while connected";
    QTest::newRow("registry") << 23 << "Registry error";
    QTest::newRow("zero") << 0 << "Unknown Error #0";
    QTest::newRow("past table") << 24 << "Unknown Error #24";
    QTest::newRow("negative") << -7 << "Unknown Error #-7";
}

void TestComPort::messages()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    const EComPort e(code, 5, QStringLiteral("ttyUSB0"));
    QCOMPARE(e.Code(), code);
    QCOMPARE(e.WinCode(), 5);
    QCOMPARE(e.Port(), QStringLiteral("ttyUSB0"));
    QCOMPARE(e.Message(), "COM Port Error: " + text + " on ttyUSB0");
}

void TestComPort::missingPortFailsClosed()
{
    TComPort port;
    port.SetPort(QStringLiteral("/nonexistent/x"));
    QCOMPARE(port.DeviceName(), QStringLiteral("/nonexistent/x"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("/nonexistent/x"));
    try {
        port.Open();
        QFAIL("opened a missing port");
    } catch (const EComPort &e) {
        QCOMPARE(e.Code(), int(CError_OpenFailed));
        QCOMPARE(e.WinCode(), ENOENT);
        QCOMPARE(e.Message(),
                 QStringLiteral("COM Port Error: Unable to open com port on /nonexistent/x"));
    }
    QVERIFY(!port.Connected());
    QCOMPARE(port.Handle(), -1);

    port.SetPort(QStringLiteral("ttyS99"));
    QCOMPARE(port.DeviceName(), QStringLiteral("/dev/ttyS99"));
}

void TestComPort::nonTerminalFailsClosed()
{
    QTemporaryFile file;
    QVERIFY(file.open());
    TComPort port;
    port.SetPort(file.fileName());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not a terminal"));
    QVERIFY_THROWS_EXCEPTION(EComPort, port.Open());
    QVERIFY(!port.Connected());
    QCOMPARE(port.Handle(), -1);
}

// A setting the line cannot take undoes the whole open and frees the device again.
void TestComPort::failedSetupClosesPort_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("code");
    QTest::newRow("buffer") << 0 << int(CError_SetupComFailed);
    QTest::newRow("line") << 1 << int(CError_SetStateFailed);
    QTest::newRow("timeouts") << 2 << int(CError_TimeoutsFailed);
}

void TestComPort::failedSetupClosesPort()
{
    QFETCH(int, group);
    QFETCH(int, code);
    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port;
    port.SetPort(pty.slave());
    if (group == 0)
        port.Buffer().SetInputSize(0);
    else if (group == 1)
        port.SetStopBits(sbOne5StopBits); // only with 5 data bits
    else
        port.Timeouts().SetReadTotalConstant(-5);
    try {
        port.Open();
        QFAIL("opened with a bad setting");
    } catch (const EComPort &e) {
        QCOMPARE(e.Code(), code);
    }
    QVERIFY(!port.Connected());
    QCOMPARE(port.Handle(), -1);

    TComPort other;
    other.SetPort(pty.slave());
    other.Open();
    QVERIFY(other.Connected());
}

void TestComPort::secondOpenRefused()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort first, second;
    first.SetPort(pty.slave());
    second.SetPort(pty.slave());
    first.Open();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("in use"));
    try {
        second.Open();
        QFAIL("a second port object opened the device");
    } catch (const EComPort &e) {
        QCOMPARE(e.Code(), int(CError_OpenFailed));
    }
    QVERIFY(!second.Connected());
    QCOMPARE(second.Handle(), -1);
    QVERIFY(first.Connected());

    first.Close();
    second.Open(); // the lock went with the first port
    QVERIFY(second.Connected());
}

void TestComPort::openAndCloseTwice()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port;
    port.SetPort(pty.slave());
    port.Close();
    QCOMPARE(port.Handle(), -1);
    port.Open();
    const int handle = port.Handle();
    QVERIFY(handle >= 0);
    port.Open();
    QCOMPARE(port.Handle(), handle);
    QVERIFY(port.Connected());
    port.Close();
    QVERIFY(!port.Connected());
    QCOMPARE(port.Handle(), -1);
    port.Close();
    QVERIFY(!port.Connected());
}

// Replies carry binary values: no byte may be mapped, eaten, echoed or turned into a signal.
void TestComPort::rawBytesBothWays()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port;
    port.SetPort(pty.slave());
    port.Parity().SetBits(prOdd);
    port.Timeouts().SetReadTotalConstant(2000);
    port.Open();

    QByteArray all(256, 0);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    QVERIFY(pty.send(all));
    QByteArray got(256, 0);
    QCOMPARE(port.Read(got.data(), 256), 256);
    QCOMPARE(got, all);
    QCOMPARE(pty.receive(), QByteArray()); // no echo

    const QByteArray command("\x01\n\r\x03\x11", 5);
    QCOMPARE(port.Write(command.constData(), 5), 5);
    QCOMPARE(pty.receive(), command);
}

// How long a transfer may take in all, from the time-out settings; reads and writes read a
// total of 0 differently.
void TestComPort::transferTotals_data()
{
    QTest::addColumn<int>("multiplier");
    QTest::addColumn<int>("constant");
    QTest::addColumn<int>("count");
    QTest::addColumn<qint64>("read");  // ms; 0 = what has already come
    QTest::addColumn<qint64>("write"); // ms; -1 = no limit
    QTest::newRow("first family, fetch") << 0 << 200 << 106 << qint64(200) << qint64(200);
    QTest::newRow("second family, fetch") << 1 << 100 << 234 << qint64(334) << qint64(334);
    QTest::newRow("second family, echo") << 1 << 100 << 4 << qint64(104) << qint64(104);
    QTest::newRow("write defaults, request") << 100 << 1000 << 5 << qint64(1500) << qint64(1500);
    QTest::newRow("both 0") << 0 << 0 << 5 << qint64(0) << qint64(-1);
    QTest::newRow("nothing to move") << 7 << 0 << 0 << qint64(0) << qint64(-1);
    QTest::newRow("past 32 bits") << 1000000 << 5 << 10000 << qint64(10000000005)
                                  << qint64(10000000005);
}

void TestComPort::transferTotals()
{
    QFETCH(int, multiplier);
    QFETCH(int, constant);
    QFETCH(int, count);
    QFETCH(qint64, read);
    QFETCH(qint64, write);
    TComPort port;
    TComTimeouts &t = port.Timeouts();
    t.SetReadTotalMultiplier(multiplier);
    t.SetReadTotalConstant(constant);
    t.SetWriteTotalMultiplier(multiplier);
    t.SetWriteTotalConstant(constant);
    QCOMPARE(qint64(t.readTotalMs(count)), read);
    QCOMPARE(qint64(t.writeTotalMs(count).value_or(-1)), write);
}

// The read ends when all came, or at its total time-out with what came. The time-out itself
// is the table above; here the line shows it is kept: never cut short, and never waited out
// once everything is there (the whole-frame row would sit for an hour).
void TestComPort::readCounts_data()
{
    QTest::addColumn<int>("sent");
    QTest::addColumn<int>("timeout");
    QTest::newRow("nothing comes") << 0 << 200;
    QTest::newRow("part of a frame") << 3 << 200;
    QTest::newRow("whole frame") << 8 << 3600 * 1000;
    QTest::newRow("no time-out, nothing") << 0 << 0;
    QTest::newRow("no time-out, part there") << 3 << 0;
}

void TestComPort::readCounts()
{
    QFETCH(int, sent);
    QFETCH(int, timeout);
    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port;
    port.SetPort(pty.slave());
    port.Timeouts().SetReadTotalMultiplier(timeout ? 1 : 0);
    port.Timeouts().SetReadTotalConstant(timeout ? timeout - 8 : 0); // 8 bytes x 1 ms
    port.Open();
    const QByteArray frame("\x10\x00\x20\xff\x7f\x00\x01\x02", 8);
    QVERIFY(pty.send(frame.left(sent)));
    QTest::qWait(20); // let the bytes cross the pty

    QByteArray got(8, '?');
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(port.Read(got.data(), 8), sent);
    const qint64 took = clock.elapsed();
    QCOMPARE(got.left(sent), frame.left(sent));
    if (sent < 8) // waited the time-out out
        QVERIFY2(took >= timeout * 9 / 10, qPrintable(QString::number(took)));
}

void TestComPort::discardNull()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port;
    port.SetPort(pty.slave());
    port.SetDiscardNull(true);
    port.Timeouts().SetReadTotalConstant(2000);
    port.Open();
    QVERIFY(pty.send(QByteArray("a\0b\0\0c", 6)));
    char got[3] = {};
    QCOMPARE(port.Read(got, 3), 3);
    QCOMPARE(QByteArray(got, 3), QByteArray("abc"));
}

void TestComPort::clearBufferDropsInput()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port;
    port.SetPort(pty.slave());
    port.Timeouts().SetReadTotalConstant(100);
    port.Open();
    QVERIFY(pty.send("stale reply"));
    QTest::qWait(20);
    port.ClearBuffer(true, true);
    char buf[16];
    QCOMPARE(port.Read(buf, sizeof buf), 0);
}

// A hang-up is a failed read, never a quiet line: with an hour's time-out the read would
// otherwise sit it out.
void TestComPort::hangUpDuringRead()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port;
    port.SetPort(pty.slave());
    port.Timeouts().SetReadTotalConstant(3600 * 1000);
    port.Open();

    std::thread unplug([&pty] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pty.closeMaster();
    });
    char buf[16];
    int code = 0;
    try {
        port.Read(buf, sizeof buf);
    } catch (const EComPort &e) {
        code = e.Code();
    }
    unplug.join();
    QCOMPARE(code, int(CError_ReadFailed));

    // Again at once, instead of waiting out (or spinning through) the time-out.
    QVERIFY_THROWS_EXCEPTION(EComPort, port.Read(buf, sizeof buf));
    QVERIFY_THROWS_EXCEPTION(EComPort, port.Write("x", 1));
    port.Close();
    QVERIFY(!port.Connected());
}

void TestComPort::cancelEndsRead()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    const int cancel = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    QVERIFY(cancel >= 0);
    TComPort port;
    port.SetPort(pty.slave());
    port.Timeouts().SetReadTotalConstant(3600 * 1000); // only the cancel can end the read
    port.setCancelFd(cancel);
    port.Open();
    QVERIFY(pty.send("abc"));

    std::thread stop([cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const uint64_t one = 1;
        (void)!::write(cancel, &one, sizeof one);
    });
    char buf[16] = {};
    const int got = port.Read(buf, sizeof buf);
    stop.join();
    QCOMPARE(got, 3);
    QCOMPARE(QByteArray(buf, 3), QByteArray("abc"));

    // The signal is left for its owner, and keeps ending reads at once.
    QCOMPARE(port.Read(buf, sizeof buf), 0);
    uint64_t value = 0;
    QCOMPARE(::read(cancel, &value, sizeof value), ssize_t(sizeof value));
    QCOMPARE(value, uint64_t(1));
    ::close(cancel);
}

void TestComPort::propertyReappliedWhileOpen()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port;
    port.SetPort(pty.slave());
    port.Open();
    termios t{};
    QCOMPARE(tcgetattr(port.Handle(), &t), 0);
    QVERIFY(!(t.c_cflag & CSTOPB));

    port.SetStopBits(sbTwoStopBits);
    QCOMPARE(tcgetattr(port.Handle(), &t), 0);
    QVERIFY(t.c_cflag & CSTOPB);

    QVERIFY_THROWS_EXCEPTION(EComPort, port.Timeouts().SetWriteTotalConstant(-1));
    try {
        port.SetPort(QStringLiteral("ttyS0"));
        QFAIL("renamed an open port");
    } catch (const EComPort &e) {
        QCOMPARE(e.Code(), int(CError_ConnChangeProp));
    }
    QCOMPARE(port.Port(), pty.slave());
}

void TestComPort::customSpeedOpens()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port;
    port.SetPort(pty.slave());
    port.SetBaudRate(br14400);
    port.Open();
    QVERIFY(port.Connected());
}

// A copy of the program killed while it held the port (SIGKILL: nothing of it runs) leaves the
// line as it set it. The next start must open the port all the same.
void TestComPort::nothingLeftByAKilledHolder_data()
{
    QTest::addColumn<bool>("unprivileged");
    QTest::newRow("as this user") << false;
    QTest::newRow("as an unprivileged user") << true;
}

void TestComPort::nothingLeftByAKilledHolder()
{
    QFETCH(bool, unprivileged);
    if (unprivileged && geteuid() != 0)
        QSKIP("needs root to become another user; the first row runs unprivileged already");
    PtyPair pty;
    QVERIFY(pty.isValid());
    if (unprivileged)
        QCOMPARE(chown(QFile::encodeName(pty.slave()).constData(), kNobody, kNobody), 0);
    for (int start = 0; start < 3; ++start) {
        const int err = openAndKill(pty.slave(), unprivileged);
        QVERIFY2(err == 0, qPrintable(QString("start %1: %2").arg(start).arg(strerror(err))));
    }
}

QTEST_GUILESS_MAIN(TestComPort)
#include "tst_comport.moc"
