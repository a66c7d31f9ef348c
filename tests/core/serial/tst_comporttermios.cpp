#include <QtTest>

#include "serial/ComPortTermios.h"

// The line the port asks for. A pseudo-terminal drops parity, so this is checked here on the
// structure handed to tcsetattr rather than on what a device reports back.
class TestComPortTermios : public QObject
{
    Q_OBJECT

private slots:
    void pollerLine();
    void settings_data();
    void settings();
    void speeds_data();
    void speeds();
    void impossibleLines();
};

static termios built(const TCustomComPort &port)
{
    termios t{};
    // Start from a cooked terminal, as a freshly opened device may be.
    t.c_iflag = ICRNL | IXON | IXANY | BRKINT | IGNPAR | ISTRIP;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
    t.c_cflag = CS7 | PARENB | CSTOPB | HUPCL | CRTSCTS;
    if (!buildTermios(port, t))
        qFatal("no line built");
    return t;
}

void TestComPortTermios::pollerLine()
{
    TComPort port;
    port.SetBaudRate(br9600);
    port.Parity().SetBits(prOdd);
    const termios t = built(port);
    QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB | PARODD));
    QCOMPARE(t.c_cflag & (CSTOPB | CRTSCTS | HUPCL), tcflag_t(0));
    QCOMPARE(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    QCOMPARE(t.c_iflag & (IXON | IXOFF | IXANY | INPCK | ICRNL | ISTRIP), tcflag_t(0));
    QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
    QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
    QCOMPARE(cfgetispeed(&t), speed_t(B9600));
    QCOMPARE(cfgetospeed(&t), speed_t(B9600));
    QCOMPARE(int(t.c_cc[VMIN]), 1);
    QCOMPARE(int(t.c_cc[VTIME]), 0);
}

void TestComPortTermios::settings_data()
{
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<bool>("check");
    QTest::addColumn<int>("flow");    // 1 CTS, 2 RTS handshake, 4 XON/XOFF in, 8 XON/XOFF out
    QTest::addColumn<uint>("cflags"); // CSIZE, parity and stop bits, CRTSCTS
    QTest::addColumn<uint>("iflags"); // INPCK, IXON, IXOFF

    QTest::newRow("8-N-1") << int(dbEight) << int(prNone) << int(sbOneStopBit) << false << 0
                           << uint(CS8) << 0u;
    QTest::newRow("8-O-1 checked") << int(dbEight) << int(prOdd) << int(sbOneStopBit) << true << 0
                                   << uint(CS8 | PARENB | PARODD) << uint(INPCK);
    QTest::newRow("7-E-2") << int(dbSeven) << int(prEven) << int(sbTwoStopBits) << false << 0
                           << uint(CS7 | PARENB | CSTOPB) << 0u;
    QTest::newRow("6-mark-1") << int(dbSix) << int(prMark) << int(sbOneStopBit) << false << 0
                              << uint(CS6 | PARENB | PARODD | CMSPAR) << 0u;
    QTest::newRow("8-space-1") << int(dbEight) << int(prSpace) << int(sbOneStopBit) << false << 0
                               << uint(CS8 | PARENB | CMSPAR) << 0u;
    QTest::newRow("5-N-1.5") << int(dbFive) << int(prNone) << int(sbOne5StopBits) << false << 0
                             << uint(CS5 | CSTOPB) << 0u;
    QTest::newRow("CTS flow") << int(dbEight) << int(prNone) << int(sbOneStopBit) << false << 1
                              << uint(CS8 | CRTSCTS) << 0u;
    QTest::newRow("RTS handshake") << int(dbEight) << int(prNone) << int(sbOneStopBit) << false << 2
                                   << uint(CS8 | CRTSCTS) << 0u;
    QTest::newRow("XON/XOFF both") << int(dbEight) << int(prNone) << int(sbOneStopBit) << false
                                   << 12 << uint(CS8) << uint(IXON | IXOFF);
    QTest::newRow("XON/XOFF in") << int(dbEight) << int(prNone) << int(sbOneStopBit) << false << 4
                                 << uint(CS8) << uint(IXOFF);
}

void TestComPortTermios::settings()
{
    QFETCH(int, dataBits);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(bool, check);
    QFETCH(int, flow);
    QFETCH(uint, cflags);
    QFETCH(uint, iflags);
    TComPort port;
    port.SetDataBits(TDataBits(dataBits));
    port.Parity().SetBits(TParityBits(parity));
    port.Parity().SetCheck(check);
    port.SetStopBits(TStopBits(stopBits));
    port.FlowControl().SetOutCTSFlow(flow & 1);
    port.FlowControl().SetControlRTS(flow & 2 ? rtsHandshake : rtsDisable);
    port.FlowControl().SetXonXoffIn(flow & 4);
    port.FlowControl().SetXonXoffOut(flow & 8);
    port.FlowControl().SetXonChar('Q');
    port.FlowControl().SetXoffChar('S');

    const termios t = built(port);
    const tcflag_t cmask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
    QCOMPARE(uint(t.c_cflag & cmask), cflags);
    QCOMPARE(uint(t.c_iflag & (INPCK | IXON | IXOFF | IXANY)), iflags);
    QCOMPARE(t.c_cc[VSTART], cc_t('Q'));
    QCOMPARE(t.c_cc[VSTOP], cc_t('S'));
}

void TestComPortTermios::speeds_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("custom");
    QTest::addColumn<int>("bits");
    QTest::addColumn<uint>("code"); // B0: set through the custom-speed call
    QTest::newRow("110") << int(br110) << 0 << 110 << uint(B110);
    QTest::newRow("19200") << int(br19200) << 0 << 19200 << uint(B19200);
    QTest::newRow("115200") << int(br115200) << 0 << 115200 << uint(B115200);
    QTest::newRow("14400") << int(br14400) << 0 << 14400 << uint(B0);
    QTest::newRow("256000") << int(br256000) << 0 << 256000 << uint(B0);
    QTest::newRow("custom standard") << int(brCustom) << 57600 << 57600 << uint(B57600);
    QTest::newRow("custom odd") << int(brCustom) << 250000 << 250000 << uint(B0);
}

void TestComPortTermios::speeds()
{
    QFETCH(int, rate);
    QFETCH(int, custom);
    QFETCH(int, bits);
    QFETCH(uint, code);
    QCOMPARE(baudRateValue(TBaudRate(rate), custom), bits);
    QCOMPARE(uint(standardSpeed(bits)), code);
    TComPort port;
    port.SetBaudRate(TBaudRate(rate));
    port.SetCustomBaudRate(custom);
    const termios t = built(port);
    QCOMPARE(uint(cfgetospeed(&t)), code == B0 ? uint(B38400) : code);
}

void TestComPortTermios::impossibleLines()
{
    termios t{};
    TComPort port;
    port.SetStopBits(sbOne5StopBits);
    QVERIFY(!buildTermios(port, t));
    port.SetDataBits(dbFive);
    QVERIFY(buildTermios(port, t));
    port.SetBaudRate(brCustom);
    port.SetCustomBaudRate(0);
    QVERIFY(!buildTermios(port, t));
}

QTEST_APPLESS_MAIN(TestComPortTermios)
#include "tst_comporttermios.moc"
