#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "serial/PortList.h"

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
    // root/NAME, with a device link unless it is virtual, and a type file when given.
    bool addTty(const QString &name, bool device = true, const QString &type = QString());

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
};

void TestPortList::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = m_dir->filePath(QStringLiteral("class/tty"));
    QVERIFY(QDir().mkpath(m_root));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("devices/serial0"))));
}

bool TestPortList::addTty(const QString &name, bool device, const QString &type)
{
    // As in sysfs, the class entry is itself a link to the device's directory.
    const QString real = m_dir->filePath(QStringLiteral("devices/tty/") + name);
    if (!QDir().mkpath(real) || !QFile::link(real, m_root + '/' + name))
        return false;
    if (device
        && !QFile::link(m_dir->filePath(QStringLiteral("devices/serial0")),
                        real + QStringLiteral("/device")))
        return false;
    if (!type.isNull()) {
        QFile f(real + QStringLiteral("/type"));
        if (!f.open(QIODevice::WriteOnly) || f.write(type.toLatin1() + '\n') < 0)
            return false;
    }
    return true;
}

void TestPortList::listFromSysfs()
{
    QVERIFY(addTty(QStringLiteral("ttyS2"), true, QStringLiteral("4")));
    QVERIFY(addTty(QStringLiteral("ttyS10"), true, QStringLiteral("4")));
    QVERIFY(addTty(QStringLiteral("ttyS1"), true, QStringLiteral("4")));
    QVERIFY(addTty(QStringLiteral("ttyS3"), true, QStringLiteral("0"))); // no UART behind it
    QVERIFY(addTty(QStringLiteral("ttyUSB0")));                          // no type file
    QVERIFY(addTty(QStringLiteral("ttyACM0")));
    QVERIFY(addTty(QStringLiteral("tty0"), false)); // a console
    QVERIFY(addTty(QStringLiteral("ptmx"), false));
    QCOMPARE(EnumComPorts(m_root), QStringLiteral("ttyACM0,ttyS1,ttyS10,ttyS2,ttyUSB0"));
}

void TestPortList::missingOrEmptyRoot()
{
    QCOMPARE(EnumComPorts(m_root), QString());
    QCOMPARE(EnumComPorts(m_dir->filePath(QStringLiteral("nowhere"))), QString());
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
    QCOMPARE(PortListText(names), text);
}

QTEST_GUILESS_MAIN(TestPortList)
#include "tst_portlist.moc"
