#include <QActionGroup>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include "controls/PortMenu.h"
#include "support/FakeSysfs.h"

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
    std::unique_ptr<FakeSysfs> m_sys;
};

void TestPortMenu::init()
{
    m_sys = std::make_unique<FakeSysfs>();
    QVERIFY(m_sys->make());
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
    QVERIFY(m_sys->addTty(QStringLiteral("ttyS1")));
    QVERIFY(m_sys->addTty(QStringLiteral("ttyUSB0")));
    QMenu menu;
    BuildPortMenu(&menu, current, m_sys->root());
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
    QVERIFY(m_sys->addTty(QStringLiteral("ttyS0")));
    QVERIFY(m_sys->addTty(QStringLiteral("ttyS1")));
    QVERIFY(m_sys->addTty(QStringLiteral("ttyS2")));
    QMenu menu;
    BuildPortMenu(&menu, QStringLiteral("ttyS0"), m_sys->root());
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
    QVERIFY(m_sys->addTty(QStringLiteral("ttyS0")));
    QMenu menu;
    BuildPortMenu(&menu, QStringLiteral("ttyS0"), m_sys->root());
    const QPointer<QAction> old = menu.actions().value(0);
    QVERIFY(old);

    QVERIFY(m_sys->addTty(QStringLiteral("ttyUSB0")));
    BuildPortMenu(&menu, QStringLiteral("ttyUSB0"), m_sys->root());
    QVERIFY(old.isNull());
    QCOMPARE(menu.actions().size(), 2);
    QCOMPARE(menu.findChildren<QActionGroup *>().size(), 1);
    QList<QAction *> owned = menu.findChildren<QAction *>();
    owned.removeOne(menu.menuAction());
    QCOMPARE(owned.size(), 2); // the old items are gone, not just hidden
    QVERIFY(menu.actions().at(1)->isChecked());

    QVERIFY(QDir(m_sys->root()).removeRecursively());
    BuildPortMenu(&menu, QStringLiteral("ttyUSB0"), m_sys->root());
    QVERIFY(menu.actions().isEmpty());
}

QTEST_MAIN(TestPortMenu)
#include "tst_portmenu.moc"
