#include <QTest>

#include <QTemporaryDir>

#include "qc/QcSchedule.h"
#include "settings/TIniPlus.h"
#include "support/TestFiles.h"
#include "text/QcStrings.h"

class TestQcSchedule : public QObject
{
    Q_OBJECT

private slots:
    void due_data()
    {
        QTest::addColumn<int>("everySamples");
        QTest::addColumn<int>("everyMinutes");
        QTest::addColumn<int>("samplesSince");
        QTest::addColumn<int>("secondsSince"); // -1: no control yet
        QTest::addColumn<bool>("bySamples");
        QTest::addColumn<bool>("byTime");
        const int never = -1;
        QTest::newRow("off") << 0 << 0 << 500 << never << false << false;
        QTest::newRow("one sample short") << 50 << 0 << 49 << 7200 << false << false;
        QTest::newRow("samples reached") << 50 << 0 << 50 << 10 << true << false;
        QTest::newRow("a second short") << 0 << 60 << 900 << 3599 << false << false;
        QTest::newRow("time reached") << 0 << 60 << 0 << 3600 << false << true;
        QTest::newRow("both reached") << 50 << 60 << 51 << 3700 << true << true;
        QTest::newRow("no control yet") << 50 << 60 << 0 << never << true << true;
        QTest::newRow("no control yet, samples only") << 50 << 0 << 0 << never << true << false;
        QTest::newRow("clock set back") << 50 << 60 << 3 << -300 << false << true;
    }
    void due()
    {
        QFETCH(int, everySamples);
        QFETCH(int, everyMinutes);
        QFETCH(int, samplesSince);
        QFETCH(int, secondsSince);
        QFETCH(bool, bySamples);
        QFETCH(bool, byTime);
        const QDateTime now(QDate(2026, 12, 9), QTime(10, 42), Qt::UTC);
        // A clock set back shows "now" before the last control.
        const QDateTime last = secondsSince == -1 ? QDateTime() : now.addSecs(-secondsSince);
        const QcDue d = QcSchedule{everySamples, everyMinutes}.due(samplesSince, last, now);
        QCOMPARE(d.bySamples, bySamples);
        QCOMPARE(d.byTime, byTime);
        QCOMPARE(d.isDue(), bySamples || byTime);
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<int>("everySamples");
        QTest::addColumn<int>("everyMinutes");
        QTest::addColumn<QStringList>("notes");
        QTest::newRow("both") << QByteArray("everysamples=50\nEveryMinutes=60\n") << 50 << 60
                              << QStringList{};
        QTest::newRow("absent") << QByteArray("1.Name=x\n") << 0 << 0 << QStringList{};
        QTest::newRow("blank and 0")
            << QByteArray("EverySamples=\nEveryMinutes=0\n") << 0 << 0 << QStringList{};
        QTest::newRow("no whole number")
            << QByteArray("EverySamples=-5\nEveryMinutes=1,5\n") << 0 << 0
            << QStringList{Str::QcNoteBadSchedule.arg("EverySamples=-5"),
                           Str::QcNoteBadSchedule.arg("EveryMinutes=1,5")};
    }
    void read()
    {
        QFETCH(QByteArray, section);
        QFETCH(int, everySamples);
        QFETCH(int, everyMinutes);
        QFETCH(QStringList, notes);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Mirel2.Ini"));
        QVERIFY(putFile(file, "[Control]\n" + section));
        QStringList got;
        const QcSchedule s = QcSchedule::read(TIniPlus(file), &got);
        QCOMPARE(s.everySamples, everySamples);
        QCOMPARE(s.everyMinutes, everyMinutes);
        QCOMPARE(got, notes);

        // Written back it reads the same, and a schedule that says nothing new writes nothing.
        const QByteArray before = getFile(file);
        TIniPlus ini(file);
        QVERIFY(s.write(ini));
        QCOMPARE(getFile(file) == before, notes.isEmpty());
        QCOMPARE(QcSchedule::read(TIniPlus(file)).everySamples, everySamples);
        QVERIFY((QcSchedule{40, 0}.write(ini)));
        QCOMPARE(QcSchedule::read(TIniPlus(file)).everySamples, 40);
        QCOMPARE(QcSchedule::read(TIniPlus(file)).everyMinutes, 0);
    }
};

QTEST_GUILESS_MAIN(TestQcSchedule)
#include "tst_qcschedule.moc"
