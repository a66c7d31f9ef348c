#include <QTest>

#include <QTemporaryDir>

#include "qc/QcSchedule.h"
#include "settings/TIniPlus.h"
#include "support/TestFiles.h"
#include "text/QcStrings.h"

Q_DECLARE_METATYPE(QcSchedule)

class TestQcSchedule : public QObject
{
    Q_OBJECT

private slots:
    void due_data()
    {
        QTest::addColumn<QcSchedule>("schedule");
        QTest::addColumn<int>("samplesSince");
        QTest::addColumn<int>("secondsSince"); // -1: no control yet; below: the clock set back
        QTest::addColumn<QString>("due");
        QTest::newRow("off") << QcSchedule{0, 0} << 500 << -1 << "";
        QTest::newRow("one sample short") << QcSchedule{50, 0} << 49 << 7200 << "";
        QTest::newRow("samples reached") << QcSchedule{50, 0} << 50 << 10 << "samples";
        QTest::newRow("a second short") << QcSchedule{0, 60} << 900 << 3599 << "";
        QTest::newRow("time reached") << QcSchedule{0, 60} << 0 << 3600 << "time";
        QTest::newRow("no control yet") << QcSchedule{50, 60} << 0 << -1 << "samples time";
        QTest::newRow("clock set back") << QcSchedule{50, 60} << 3 << -300 << "time";
    }
    void due()
    {
        QFETCH(QcSchedule, schedule);
        QFETCH(int, samplesSince);
        QFETCH(int, secondsSince);
        QFETCH(QString, due);
        const QDateTime now(QDate(2026, 12, 9), QTime(10, 42), Qt::UTC);
        const QDateTime last = secondsSince == -1 ? QDateTime() : now.addSecs(-secondsSince);
        const QcDue d = schedule.due(samplesSince, last, now);
        QCOMPARE(QStringList({d.bySamples ? "samples" : "", d.byTime ? "time" : ""})
                     .join(u' ')
                     .trimmed(),
                 due);
        QCOMPARE(d.isDue(), !due.isEmpty());
    }

    void readWrite()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Mirel2.Ini"));
        const QByteArray before = "[Control]\neverysamples=50\nEveryMinutes=1,5\n";
        QVERIFY(putFile(file, before));
        QStringList notes;
        const QcSchedule s = QcSchedule::read(TIniPlus(file), &notes);
        QCOMPARE(s.everySamples, 50);
        QCOMPARE(s.everyMinutes, 0); // no whole number: that part is off, and told
        QCOMPARE(notes, QStringList{Str::QcNoteBadSchedule.arg("EveryMinutes=1,5")});

        TIniPlus ini(file); // the bad part is blanked, the rest stays as the file spells it
        QVERIFY(s.write(ini));
        QCOMPARE(getFile(file), "[Control]\neverysamples=50\nEveryMinutes=\n");
    }
};

QTEST_GUILESS_MAIN(TestQcSchedule)
#include "tst_qcschedule.moc"
