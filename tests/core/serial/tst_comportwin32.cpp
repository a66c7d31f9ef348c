#include <QtTest>

#include "serial/ComPortWin32Dcb.h"
#include "serial/PortProblem.h"

// The Windows side of the port: the device control block handed to SetCommState, a failed
// open, and the reasons told for the system's error numbers.
class TestComPortWin32 : public QObject
{
    Q_OBJECT

private slots:
    void pollerLine();
    void lines_data();
    void lines();
    void missingPort();
    void reasons_data();
    void reasons();
};

// Starts from a block full of ones, so a field the builder forgets shows.
static DCB built(const TCustomComPort &port, bool *ok = nullptr)
{
    DCB dcb;
    memset(&dcb, 0xFF, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    const bool done = buildDcb(port, dcb);
    if (ok)
        *ok = done;
    return dcb;
}

void TestComPortWin32::pollerLine()
{
    TComPort port;
    port.SetBaudRate(br9600);
    port.Parity().SetBits(prOdd);
    const DCB d = built(port);
    QCOMPARE(d.BaudRate, DWORD(9600));
    QCOMPARE(int(d.ByteSize), 8);
    QCOMPARE(int(d.Parity), ODDPARITY);
    QCOMPARE(int(d.StopBits), ONESTOPBIT);
    QCOMPARE(int(d.fBinary), 1);
    // No flow control of any kind, both modem lines held low, nothing checked or replaced.
    QCOMPARE(int(d.fParity | d.fErrorChar | d.fNull | d.fOutxCtsFlow | d.fOutxDsrFlow), 0);
    QCOMPARE(int(d.fDsrSensitivity | d.fTXContinueOnXoff | d.fInX | d.fOutX), 0);
    QCOMPARE(int(d.fDtrControl), DTR_CONTROL_DISABLE);
    QCOMPARE(int(d.fRtsControl), RTS_CONTROL_DISABLE);
    QCOMPARE(int(d.fAbortOnError), 0);
    QCOMPARE(int(d.XonLim), 256);
    QCOMPARE(int(d.XoffLim), 256);
    QCOMPARE(int(d.XonChar), 17);
    QCOMPARE(int(d.XoffChar), 19);
}

void TestComPortWin32::lines_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("dtr");
    QTest::addColumn<int>("rts");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dcbParity");
    QTest::addColumn<int>("dcbStop");
    QTest::addColumn<int>("dcbDtr");
    QTest::addColumn<int>("dcbRts");
    QTest::newRow("7E2, lines on")
        << int(br19200) << int(dbSeven) << int(prEven) << int(sbTwoStopBits) << int(dtrEnable)
        << int(rtsEnable) << true << 19200 << EVENPARITY << TWOSTOPBITS << DTR_CONTROL_ENABLE
        << RTS_CONTROL_ENABLE;
    QTest::newRow("mark, handshakes")
        << int(br115200) << int(dbEight) << int(prMark) << int(sbOneStopBit) << int(dtrHandshake)
        << int(rtsHandshake) << true << 115200 << MARKPARITY << ONESTOPBIT << DTR_CONTROL_HANDSHAKE
        << RTS_CONTROL_HANDSHAKE;
    QTest::newRow("5 bits, 1.5 stop")
        << int(br1200) << int(dbFive) << int(prSpace) << int(sbOne5StopBits) << int(dtrDisable)
        << int(rtsToggle) << true << 1200 << SPACEPARITY << ONE5STOPBITS << DTR_CONTROL_DISABLE
        << RTS_CONTROL_TOGGLE;
    QTest::newRow("1.5 stop beside 8 bits")
        << int(br9600) << int(dbEight) << int(prNone) << int(sbOne5StopBits) << 0 << 0 << false << 0
        << 0 << 0 << 0 << 0;
    QTest::newRow("custom speed 0")
        << int(brCustom) << int(dbEight) << int(prNone) << int(sbOneStopBit) << 0 << 0 << false << 0
        << 0 << 0 << 0 << 0;
}

void TestComPortWin32::lines()
{
    QFETCH(int, rate);
    QFETCH(int, dataBits);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(int, dtr);
    QFETCH(int, rts);
    QFETCH(bool, ok);
    TComPort port;
    port.SetCustomBaudRate(0);
    port.SetBaudRate(TBaudRate(rate));
    port.SetDataBits(TDataBits(dataBits));
    port.Parity().SetBits(TParityBits(parity));
    port.SetStopBits(TStopBits(stopBits));
    port.FlowControl().SetControlDTR(TDTRFlowControl(dtr));
    port.FlowControl().SetControlRTS(TRTSFlowControl(rts));
    bool built_ok = false;
    const DCB d = built(port, &built_ok);
    QCOMPARE(built_ok, ok);
    if (!ok)
        return;
    QTEST(int(d.BaudRate), "baud");
    QCOMPARE(int(d.ByteSize), 5 + dataBits);
    QTEST(int(d.Parity), "dcbParity");
    QTEST(int(d.StopBits), "dcbStop");
    QTEST(int(d.fDtrControl), "dcbDtr");
    QTEST(int(d.fRtsControl), "dcbRts");
}

void TestComPortWin32::missingPort()
{
    TComPort port;
    port.SetPort(QStringLiteral("COM219"));
    QCOMPARE(port.DeviceName(), QStringLiteral("\\\\.\\COM219"));
    try {
        port.Open();
        QFAIL("a port that is not there opened");
    } catch (const EComPort &e) {
        QCOMPARE(e.Code(), int(CError_OpenFailed));
        QVERIFY(e.WinCode() != 0);
        QCOMPARE(e.Message(), QStringLiteral("COM Port Error: Unable to open com port on COM219"));
    }
    QVERIFY(!port.Connected());
    QCOMPARE(port.Handle(), -1);
    QVERIFY_THROWS_EXCEPTION(EComPort, port.Read(nullptr, 1));
}

void TestComPortWin32::reasons_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("reason");
    QTest::addColumn<QString>("starts");
    QTest::newRow("no such port") << int(ERROR_FILE_NOT_FOUND) << int(PortProblem::Reason::NotFound)
                                  << QStringLiteral("Порт COM7 не найден");
    QTest::newRow("adapter pulled")
        << int(ERROR_DEVICE_NOT_CONNECTED) << int(PortProblem::Reason::NotFound)
        << QStringLiteral("Порт COM7 пропал");
    QTest::newRow("held elsewhere")
        << int(ERROR_ACCESS_DENIED) << int(PortProblem::Reason::PermissionDenied)
        << QStringLiteral("Нет доступа к порту COM7");
    QTest::newRow("sharing") << int(ERROR_SHARING_VIOLATION) << int(PortProblem::Reason::Busy)
                             << QStringLiteral("Порт COM7 занят");
    QTest::newRow("not a port") << int(ERROR_INVALID_FUNCTION)
                                << int(PortProblem::Reason::NotSerial)
                                << QStringLiteral("COM7 — не последовательный порт");
    QTest::newRow("other") << int(ERROR_NOT_ENOUGH_MEMORY) << int(PortProblem::Reason::Other)
                           << QStringLiteral("Порт COM7: ");
}

void TestComPortWin32::reasons()
{
    QFETCH(int, error);
    QFETCH(QString, starts);
    QTEST(int(PortProblem::classify(error)), "reason");
    const QString text = PortProblem::describe(QStringLiteral("COM7"), error);
    QVERIFY2(text.startsWith(starts), qPrintable(text));
    if (PortProblem::classify(error) == PortProblem::Reason::Other)
        QVERIFY2(text.endsWith(QStringLiteral("(код ошибки Windows %1).").arg(error)),
                 qPrintable(text));
}

QTEST_GUILESS_MAIN(TestComPortWin32)
#include "tst_comportwin32.moc"
