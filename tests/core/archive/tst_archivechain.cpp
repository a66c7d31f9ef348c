#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include "archive/ArchiveSchema.h"
#include "archive/TArchive.h"
#include "archive/TArchiveCheck.h"
#include "support/ArchiveSamples.h"
#include "support/OldArchive.h"

// The archive's hash chain: tampering behind the program's back is found in the background
// after the next write, told with the first record that no longer fits, and the triggers that
// were dropped are made again.
class TestArchiveChain : public QObject
{
    Q_OBJECT
private slots:
    void tamperingIsTold_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("badSeq"); // 0: the chain holds
        QTest::addColumn<bool>("told");
        QTest::newRow("untouched") << "" << 0 << false;
        QTest::newRow("trigger dropped") << "DROP TRIGGER records_no_delete" << 0 << true;
        QTest::newRow("label edited") << "DROP TRIGGER results_no_update\n"
                                         "UPDATE results SET label = 'x' WHERE id = 2"
                                      << 2 << true;
        QTest::newRow("value edited") << "DROP TRIGGER results_no_update\n"
                                         "UPDATE results SET v0 = 9.5 WHERE id = 3"
                                      << 3 << true;
        QTest::newRow("change edited") << "DROP TRIGGER label_changes_no_update\n"
                                          "UPDATE label_changes SET new_text = 'y'"
                                       << 4 << true;
        QTest::newRow("record removed") << "DROP TRIGGER records_no_delete\n"
                                           "DELETE FROM records WHERE id = 2"
                                        << 2 << true;
        QTest::newRow("hash rewritten") << "DROP TRIGGER record_chain_no_update\n"
                                           "UPDATE record_chain SET hash = zeroblob(32) "
                                           "WHERE id = 5"
                                        << 5 << true;
        QTest::newRow("trigger disarmed")
            << "DROP TRIGGER results_no_update\nCREATE TRIGGER results_no_update BEFORE UPDATE "
               "ON results BEGIN SELECT 1; END\nUPDATE results SET port = 'z' WHERE id = 1"
            << 1 << true;
    }
    void tamperingIsTold()
    {
        QFETCH(QString, sql);
        QFETCH(int, badSeq);
        QFETCH(bool, told);
        QTemporaryDir dir;
        TArchive archive;
        archive.setStation(QStringLiteral("st"));
        QVERIFY(archive.open(dir.path()));
        QUuid first;
        for (int i = 0; i < 3; ++i) {
            const QUuid id = archive.appendResult(sampleResult(QString::number(i), day(3, 9, i)));
            first = first.isNull() ? id : first;
        }
        archive.appendLabelChange({first, 1, "0", "1", {}, "a.txt", {}});
        archive.appendFileEvent({TArchiveFileEvent::Save, QStringLiteral("a.txt"), 3, {}});
        QTRY_VERIFY(archive.lastCheck().done && archive.lastCheck().records == 5);
        QVERIFY(!archive.tampered());
        RawArchive raw(archive.path());
        const int triggers = raw.value("SELECT count(*) FROM sqlite_master "
                                       "WHERE type = 'trigger'")
                                 .toInt();
        for (const QString &s : sql.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            QVERIFY2(raw.exec(s), qPrintable(s));
        archive.appendResult(sampleResult(QStringLiteral("после"), day(3, 10))); // a write
        QTRY_VERIFY(archive.lastCheck().records >= 6 || archive.lastCheck().broken);
        QTRY_COMPARE(archive.tampered(), told);
        QCOMPARE(archive.lastCheck().broken, badSeq > 0);
        if (badSeq > 0) {
            QCOMPARE(archive.lastCheck().seq, badSeq);
            QVERIFY2(archive.statusText().contains(QStringLiteral("«st», № %1").arg(badSeq)),
                     qPrintable(archive.statusText()));
        }
        QVERIFY(archive.statusText().contains(QStringLiteral("в порядке")) == !told);
        // Every trigger is back as the program made it: changes are refused again.
        QCOMPARE(raw.value("SELECT count(*) FROM sqlite_master WHERE type = 'trigger'").toInt(),
                 triggers);
        for (const char *change : {"UPDATE results SET port = 'q'", "DELETE FROM records",
                                   "UPDATE record_chain SET prev = x'00'"})
            QVERIFY(!raw.exec(QString::fromLatin1(change)));
    }

    // A version-2 file: its records are chained where they stand, the next one follows them.
    void olderFileIsChained()
    {
        QTemporaryDir dir;
        QVERIFY(writeVersion2Archive(dir.filePath(TArchive::FileName), "st", 4));
        TArchive archive;
        archive.setStation(QStringLiteral("st"));
        QVERIFY(archive.open(dir.path()));
        archive.appendResult(sampleResult(QStringLiteral("новая"), day(4)));
        QTRY_VERIFY(archive.lastCheck().done && archive.lastCheck().records == 13);
        QVERIFY(!archive.lastCheck().broken);
        RawArchive raw(archive.path());
        QCOMPARE(raw.value("PRAGMA user_version").toInt(), ArchiveSchema::Version);
        QCOMPARE(raw.value("SELECT count(*) FROM record_chain").toInt(), 13);
        QCOMPARE(raw.value("SELECT prev FROM record_chain WHERE id = 13").toByteArray(),
                 raw.value("SELECT hash FROM record_chain WHERE id = 12").toByteArray());
    }
};

QTEST_MAIN(TestArchiveChain)
#include "tst_archivechain.moc"
