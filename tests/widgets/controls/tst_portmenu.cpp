#include <QActionGroup>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include "controls/PortMenu.h"

// The port menu built from fake sysfs trees.
class TestPortMenu : public QObject
{
    Q_OBJECT

private slots:
    void init();
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

void TestPortMenu::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = m_dir->filePath(QStringLiteral("class/tty"));
    QVERIFY(QDir().mkpath(m_root));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("devices/serial0"))));
}

bool TestPortMenu::addTty(const QString &name, bool device, const QString &type)
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

void TestPortMenu::menuChecksExactName_data()
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

void TestPortMenu::menuChecksExactName()
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

void TestPortMenu::menuIsOneExclusiveGroup()
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

void TestPortMenu::menuRebuildReplacesItems()
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

QTEST_MAIN(TestPortMenu)
#include "tst_portmenu.moc"
