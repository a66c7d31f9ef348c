#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "serial/PortList.h"
#include "support/FakeSysfs.h"

// The port list from fake sysfs trees; the menu built from it is tested with the controls.
class TestPortList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void listFromSysfs();
    void missingOrEmptyRoot();
    void listText_data();
    void listText();

private:
    std::unique_ptr<FakeSysfs> m_sys;
};

void TestPortList::init()
{
    m_sys = std::make_unique<FakeSysfs>();
    QVERIFY(m_sys->make());
}

void TestPortList::listFromSysfs()
{
    QVERIFY(m_sys->addTty(QStringLiteral("ttyS2"), true, QStringLiteral("4")));
    QVERIFY(m_sys->addTty(QStringLiteral("ttyS10"), true, QStringLiteral("4")));
    QVERIFY(m_sys->addTty(QStringLiteral("ttyS1"), true, QStringLiteral("4")));
    QVERIFY(m_sys->addTty(QStringLiteral("ttyS3"), true, QStringLiteral("0"))); // no UART behind it
    QVERIFY(m_sys->addTty(QStringLiteral("ttyUSB0")));                          // no type file
    QVERIFY(m_sys->addTty(QStringLiteral("ttyACM0")));
    QVERIFY(m_sys->addTty(QStringLiteral("tty0"), false)); // a console
    QVERIFY(m_sys->addTty(QStringLiteral("ptmx"), false));
    QCOMPARE(enumComPorts(m_sys->root()), QStringLiteral("ttyACM0,ttyS1,ttyS10,ttyS2,ttyUSB0"));
}

void TestPortList::missingOrEmptyRoot()
{
    QCOMPARE(enumComPorts(m_sys->root()), QString());
    QCOMPARE(enumComPorts(m_sys->path(QStringLiteral("nowhere"))), QString());
}

void TestPortList::listText_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("text");
    QTest::newRow("text order") << QStringList{"ttyS2", "ttyS10", "ttyS1"} << "ttyS1,ttyS10,ttyS2";
    QTest::newRow("duplicate once") << QStringList{"ttyS1", "ttyUSB0", "ttyS1"} << "ttyS1,ttyUSB0";
    QTest::newRow("case kept apart") << QStringList{"ttyS1", "TTYS1"} << "TTYS1,ttyS1";
    QTest::newRow("comma or empty left out") << QStringList{"a,b", "", "ttyS0"} << "ttyS0";
    QTest::newRow("none") << QStringList{} << "";
}

void TestPortList::listText()
{
    QFETCH(QStringList, names);
    QFETCH(QString, text);
    QCOMPARE(portListText(names), text);
}

QTEST_GUILESS_MAIN(TestPortList)
#include "tst_portlist.moc"
