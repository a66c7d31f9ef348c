// The live port menu over a fake sysfs tree and a fake folder of stable names.

#include <QActionGroup>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "controls/TLivePortMenu.h"

class TestLivePortMenu : public QObject
{
    Q_OBJECT

private:
    // A serial device as sysfs lists it: the class entry with a device link.
    bool addTty(const QString &name)
    {
        const QString entry = m_dir.filePath("tty/" + name);
        return QDir().mkpath(entry + "/device");
    }
    QStringList names(const QMenu &menu) const
    {
        QStringList n;
        for (const QAction *a : menu.actions())
            n << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        return n;
    }

    QTemporaryDir m_dir;
    QString m_current;

private slots:
    void init()
    {
        QVERIFY(QDir(m_dir.path()).removeRecursively());
        QVERIFY(QDir().mkpath(m_dir.filePath("tty")));
        QVERIFY(QDir().mkpath(m_dir.filePath("by-id")));
        // /dev/null stands in for a USB adapter's node: a character device its stable
        // name can point at.
        QVERIFY(addTty("ttyS1"));
        QVERIFY(addTty("null"));
        QVERIFY(QFile::link("/dev/null", m_dir.filePath("by-id/usb-Test_Adapter-if00-port0")));
    }

    // The base list, then the stable names, the demo's ports and the current port, each once;
    // the current port is the one checked wherever it stands.
    void itemsAndTheCheckedOne_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QStringList>("tail"); // after the base list and the stable name
        const QString stable = m_dir.filePath("by-id/usb-Test_Adapter-if00-port0");
        const QStringList extras = {"/demo/ttyTARVO", "/demo/ttyMIREL"};
        QTest::newRow("a listed port") << "ttyS1" << extras;
        QTest::newRow("the stable name") << stable << extras;
        QTest::newRow("a demo port") << "/demo/ttyMIREL" << extras;
        QTest::newRow("a path in no list")
            << "/dev/ttyACM9" << (extras + QStringList{"/dev/ttyACM9"});
    }
    void itemsAndTheCheckedOne()
    {
        QFETCH(QString, current);
        QFETCH(QStringList, tail);
        QMenu menu;
        TLivePortMenu live(&menu, [&] { return current; });
        live.sysfsRoot = m_dir.filePath("tty");
        live.byIdDir = m_dir.filePath("by-id");
        live.extraPorts = {"/demo/ttyTARVO", "/demo/ttyMIREL", "ttyS1"};
        live.rebuild();
        const QString stable = m_dir.filePath("by-id/usb-Test_Adapter-if00-port0");
        const QStringList expected = QStringList{"null", "ttyS1", stable} + tail
                                     + QStringList{"-", "OtherPort"};
        QCOMPARE(names(menu), expected);
        QStringList checked;
        for (const QAction *a : menu.actions()) {
            if (a->isChecked())
                checked << a->objectName();
            if (a->isCheckable())
                QVERIFY(a->text().startsWith(a->objectName()));
        }
        QCOMPARE(checked, QStringList{current});
        const auto *group = menu.findChild<QActionGroup *>();
        QVERIFY(group && group->isExclusive());
        QCOMPARE(group->actions().size(), expected.size() - 2);
    }

    // Opening the menu builds it again: an adapter plugged in since appears. Items and
    // "Другой порт…" give the port to use; a cancelled path gives none.
    void rebuiltOnOpenAndChoosing()
    {
        QMenu menu;
        QString current = "ttyS1";
        qputenv("REG01_EXTRA_PORTS", "/demo/ttyTARVO::/demo/ttyMIREL");
        TLivePortMenu live(&menu, [&] { return current; });
        qunsetenv("REG01_EXTRA_PORTS");
        QCOMPARE(live.extraPorts, QStringList({"/demo/ttyTARVO", "/demo/ttyMIREL"}));
        live.sysfsRoot = m_dir.filePath("tty");
        live.byIdDir = m_dir.filePath("by-id");
        live.extraPorts.clear();
        QString answer = "/dev/ttyACM3";
        live.askPortPath = [&](const QString &start) {
            return start == current ? answer : QStringLiteral("wrong start");
        };
        QSignalSpy chosen(&live, &TLivePortMenu::portChosen);
        emit menu.aboutToShow();
        QVERIFY(!names(menu).contains("ttyUSB0"));
        QVERIFY(addTty("ttyUSB0"));
        emit menu.aboutToShow();
        QVERIFY(names(menu).contains("ttyUSB0"));

        menu.findChild<QAction *>("ttyUSB0")->trigger();
        menu.findChild<QAction *>("OtherPort")->trigger();
        answer.clear();
        menu.findChild<QAction *>("OtherPort")->trigger();
        QCOMPARE(chosen.size(), 2);
        QCOMPARE(chosen[0][0].toString(), QStringLiteral("ttyUSB0"));
        QCOMPARE(chosen[1][0].toString(), QStringLiteral("/dev/ttyACM3"));
    }
};

QTEST_MAIN(TestLivePortMenu)
#include "tst_liveportmenu.moc"
