#include <QTemporaryDir>
#include <QTest>

#include "serial/PortDetails.h"

// No USB adapter sits on a test machine: what can be checked is the stable name found through
// a by-id folder, and that ports without descriptions read as their plain names.
class TestPortDetails : public QObject
{
    Q_OBJECT
private slots:
    void stableNameIsTheLinkToTheSameDevice();
    void captionsWithAndWithoutDescription_data();
    void captionsWithAndWithoutDescription();
};

void TestPortDetails::stableNameIsTheLinkToTheSameDevice()
{
    QTemporaryDir byId;
    QVERIFY(QFile::link("/dev/zero", byId.filePath("usb-Other_Device-if00-port0")));
    QVERIFY(QFile::link("/dev/null", byId.filePath("usb-FTDI_FT232R_USB_UART_A1B2-if00-port0")));
    QVERIFY(QFile::link("/nonexistent", byId.filePath("usb-dangling")));
    const PortDetails d = DescribePort("/dev/null", byId.path());
    QCOMPARE(d.stablePath, byId.filePath("usb-FTDI_FT232R_USB_UART_A1B2-if00-port0"));
    QCOMPARE(DescribePort("/dev/full", byId.path()).stablePath, QString());
    QCOMPARE(DescribePort("ttyNOSUCH", byId.path()).description, QString());
}

void TestPortDetails::captionsWithAndWithoutDescription_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("caption");
    QTest::newRow("adapter") << "FTDI FT232R USB UART"
                             << "ttyUSB0 — FTDI FT232R USB UART";
    QTest::newRow("nothing known") << ""
                                   << "ttyUSB0";
}

void TestPortDetails::captionsWithAndWithoutDescription()
{
    QFETCH(QString, description);
    QFETCH(QString, caption);
    QCOMPARE(PortCaption("ttyUSB0", PortDetails{description, {}}), caption);
}

QTEST_GUILESS_MAIN(TestPortDetails)
#include "tst_portdetails.moc"
