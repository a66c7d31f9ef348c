#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "serial/PortProblem.h"

class TestPortProblem : public QObject
{
    Q_OBJECT
private slots:
    void eachReasonSaysPortAndRemedy_data();
    void eachReasonSaysPortAndRemedy();
    void busyNamesTheHolder();
};

void TestPortProblem::eachReasonSaysPortAndRemedy_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("remedy");
    QTest::newRow("not found") << int(ENOENT) << "меню кнопки опроса";
    QTest::newRow("adapter gone") << int(ENXIO) << "не подключён";
    QTest::newRow("permission") << int(EACCES) << "usermod -aG dialout";
    QTest::newRow("busy") << int(EBUSY) << "занят другой программой";
    QTest::newRow("locked by a copy") << int(EWOULDBLOCK) << "занят другой программой";
    QTest::newRow("regular file or fifo") << int(ENOTTY) << "не последовательный порт";
    QTest::newRow("other") << int(EIO) << "Input/output error";
}

void TestPortProblem::eachReasonSaysPortAndRemedy()
{
    QFETCH(int, error);
    QFETCH(QString, remedy);
    const QString text = PortProblem::describe("/dev/ttyUSB7", error);
    QVERIFY2(text.contains("/dev/ttyUSB7"), qPrintable(text));
    QVERIFY2(text.contains(remedy), qPrintable(text));
}

void TestPortProblem::busyNamesTheHolder()
{
    QTemporaryDir dir;
    const QString device = dir.filePath("port");
    QFile f(device);
    QVERIFY(f.open(QIODevice::WriteOnly)); // this test holds it open
    const QString who = PortProblem::holders(device);
    QVERIFY2(who.contains(QString::number(getpid())), qPrintable(who));
    QVERIFY(PortProblem::describe(device, EBUSY).contains(who));
    f.close();
    QCOMPARE(PortProblem::holders(device), QString());
}

QTEST_GUILESS_MAIN(TestPortProblem)
#include "tst_portproblem.moc"
