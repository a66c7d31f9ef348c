// The archive's file changed under the running program: deleted, replaced, cut short or
// damaged. The archive says so at once, moves what stands there aside, makes a new archive of
// what the old file still gives plus the journal, and counts what neither could give back.

#include <sys/stat.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "archive/TArchive.h"
#include "results/TJournal.h"
#include "session/TRecordKeeper.h"
#include "support/ArchiveSamples.h"
#include "support/TestFiles.h"

class TestArchiveDamage : public QObject
{
    Q_OBJECT
private slots:
    void rebuildsFromWhatIsLeft_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("told");
        QTest::addColumn<bool>("aside");   // something stood at the path to be moved aside
        QTest::addColumn<bool>("allBack"); // the old file surely still gives every record
        QTest::newRow("deleted") << "deleted" << int(ArchiveState::Gone) << false << true;
        QTest::newRow("replaced") << "replaced" << int(ArchiveState::Gone) << true << true;
        QTest::newRow("truncated") << "truncated" << int(ArchiveState::Truncated) << true << false;
        QTest::newRow("damaged pages") << "corrupt" << int(ArchiveState::Corrupt) << true << false;
    }
    void rebuildsFromWhatIsLeft()
    {
        QFETCH(QString, damage);
        QFETCH(int, told);
        QFETCH(bool, aside);
        QFETCH(bool, allBack);
        QTemporaryDir dir;
        const QString path = dir.filePath(TArchive::FileName);
        TJournal journal;
        QVERIFY(journal.Open(dir.filePath(QStringLiteral("Tarvo.journal"))));
        TArchive archive;
        TRecordKeeper keeper(archive);
        keeper.writeJournal = [&](const std::vector<TJournal::Record> &r, int, const QByteArray &) {
            return journal.appendRecords(r);
        };
        keeper.readJournal = [&] { return journal.ReadAll(); };
        QVERIFY(archive.open(dir.path()));
        // Sixty results, the first forty saved away (the journal emptied), the last twenty
        // still in the journal.
        for (int i = 0; i < 60; ++i) {
            if (i == 40)
                QVERIFY(journal.Clear());
            keeper.result(sampleResult(QStringLiteral("Проба %1").arg(i), day(5, 8, i)), i + 1, "x");
        }
        QCOMPARE(archive.state(), ArchiveState::Ok);
        QString identity;
        {
            RawArchive raw(path);
            QVERIFY(raw.exec("PRAGMA wal_checkpoint(TRUNCATE)"));
            identity = raw.value("SELECT uid FROM archive_identity").toString();
        }
        archive.lookAtFile(); // the watch's next look sees the file grown by the checkpoint
        QList<int> states;
        connect(&archive, &TArchive::stateChanged, this, [&] { states << int(archive.state()); });

        if (damage == "deleted") {
            QVERIFY(QFile::remove(path));
        } else if (damage == "replaced") {
            QVERIFY(putFile(path + QStringLiteral(".new"), QByteArray(4096, 'z')));
            QVERIFY(::rename(qPrintable(path + QStringLiteral(".new")), qPrintable(path)) == 0);
        } else if (damage == "truncated") {
            QVERIFY(::truncate(qPrintable(path), 4096 * 3) == 0);
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.size() > 4096 * 8);
            f.seek(4096 * 4);
            f.write(QByteArray(4096 * 3, char(0x5A)));
        }
        if (damage == "corrupt") {
            archive.startCheck(); // on its own thread; the verdict comes through the event loop
            QTRY_VERIFY(archive.rebuilt());
        } else {
            archive.lookAtFile();
        }
        QVERIFY2(!states.isEmpty() && states.first() == told, qPrintable(archive.statusText()));
        QVERIFY(archive.rebuilt());
        QCOMPARE(QFileInfo::exists(archive.asidePath()), aside);
        QVERIFY(archive.statusText().contains(archive.asidePath()));

        // Registering goes on into the new file.
        keeper.result(sampleResult(QStringLiteral("После"), day(6)), 61, "x");
        QCOMPARE(archive.state(), ArchiveState::Ok);
        QCOMPARE(archive.pendingCount(), 0);
        RawArchive raw(path);
        QCOMPARE(raw.value("PRAGMA quick_check").toString(), QStringLiteral("ok"));
        const int back = raw.value("SELECT count(*) FROM results").toInt() - 1;
        QVERIFY(raw.value("SELECT count(*) FROM results WHERE label = 'Проба 59'").toInt() == 1);
        if (allBack) {
            QCOMPARE(back, 60);
            // The same archive to the server: its station names stay its own.
            QCOMPARE(raw.value("SELECT uid FROM archive_identity").toString(), identity);
            // The copy keeps each record's link, so the new file's chain holds.
            const qint64 records = raw.value("SELECT count(*) FROM records").toLongLong();
            QTRY_VERIFY2(archive.lastCheck().done && archive.lastCheck().records == records,
                         qPrintable(QString::number(archive.lastCheck().records)));
            QVERIFY(!archive.tampered());
        } else
            QVERIFY2(back >= 20, qPrintable(QString::number(back))); // the journal's at least
        QCOMPARE(archive.unrecoveredCount(), qint64(60 - back));
        qInfo("%s: kept %d of 60, told %lld not recovered", qPrintable(damage), back,
              archive.unrecoveredCount());
    }
};

QTEST_GUILESS_MAIN(TestArchiveDamage)
#include "tst_archivedamage.moc"
