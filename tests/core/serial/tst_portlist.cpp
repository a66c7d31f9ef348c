#include <QActionGroup>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include "controls/PortMenu.h"
#include "serial/PortList.h"

// The port list from fake sysfs trees, and the menu built from it.
class TestPortList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void listFromSysfs();
    void missingOrEmptyRoot();
    void listText_data();
    void listText();
    void menuChecksExactName_data();
    void menuChecksExactName();
    void menuIsOneExclusiveGroup();
    void menuRebuildReplacesItems();

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

void TestPortList::menuChecksExactName_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("checked");
    QTest::newRow("exact") << "ttyS1"
                           << "ttyS1";
    QTest::newRow("other case") << "TTYS1"
                                << "";
    QTest::newRow("not present") << "COM1"
                                 << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestPortList::menuChecksExactName()
{
    QFETCH(QString, current);
    QFETCH(QString, checked);
    QVERIFY(addTty(QStringLiteral("ttyS1")));
    QVERIFY(addTty(QStringLiteral("ttyUSB0")));
    QMenu menu;
    BuildPortMenu(&menu, current, m_root);
    const QList<QAction *> items = menu.actions();
    QCOMPARE(items.size(), 2);
    QStringList names, checkedNames;
    for (QAction *item : items) {
        QCOMPARE(item->text(), item->objectName());
        QVERIFY(item->isCheckable());
        names << item->objectName();
        if (item->isChecked())
            checkedNames << item->objectName();
    }
    QCOMPARE(names, QStringList({"ttyS1", "ttyUSB0"}));
    QCOMPARE(checkedNames.join(','), checked);
}

void TestPortList::menuIsOneExclusiveGroup()
{
    QVERIFY(addTty(QStringLiteral("ttyS0")));
    QVERIFY(addTty(QStringLiteral("ttyS1")));
    QVERIFY(addTty(QStringLiteral("ttyS2")));
    QMenu menu;
    BuildPortMenu(&menu, QStringLiteral("ttyS0"), m_root);
    const QList<QAction *> items = menu.actions();
    QCOMPARE(items.size(), 3);
    QActionGroup *group = items[0]->actionGroup();
    QVERIFY(group);
    QCOMPARE(group->parent(), &menu);
    QCOMPARE(group->exclusionPolicy(), QActionGroup::ExclusionPolicy::Exclusive);
    QCOMPARE(group->actions(), items);

    items[2]->trigger(); // a click moves the check
    QVERIFY(items[2]->isChecked());
    QVERIFY(!items[0]->isChecked());
    QCOMPARE(group->checkedAction(), items[2]);
}

void TestPortList::menuRebuildReplacesItems()
{
    QVERIFY(addTty(QStringLiteral("ttyS0")));
    QMenu menu;
    BuildPortMenu(&menu, QStringLiteral("ttyS0"), m_root);
    const QPointer<QAction> old = menu.actions().value(0);
    QVERIFY(old);

    QVERIFY(addTty(QStringLiteral("ttyUSB0")));
    BuildPortMenu(&menu, QStringLiteral("ttyUSB0"), m_root);
    QVERIFY(old.isNull());
    QCOMPARE(menu.actions().size(), 2);
    QCOMPARE(menu.findChildren<QActionGroup *>().size(), 1);
    QList<QAction *> owned = menu.findChildren<QAction *>();
    owned.removeOne(menu.menuAction());
    QCOMPARE(owned.size(), 2); // the old items are gone, not just hidden
    QVERIFY(menu.actions().at(1)->isChecked());

    QVERIFY(QDir(m_root).removeRecursively());
    BuildPortMenu(&menu, QStringLiteral("ttyUSB0"), m_root);
    QVERIFY(menu.actions().isEmpty());
}

QTEST_MAIN(TestPortList)
#include "tst_portlist.moc"
