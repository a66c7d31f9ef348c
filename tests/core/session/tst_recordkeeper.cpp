// The record path under a real SIGKILL: a child process takes results through the journal and
// the archive with the archive in trouble and is killed; the next start (this process) must
// find every result in the archive once, however the trouble ended.
//
// A full disk is a real one: a 1 MiB tmpfs mounted for the test, filled up. Mounting needs
// root; without it that row is skipped (SQLite's max_page_count belongs to one connection, so
// it cannot stand for a full disk the program's own connection meets).

#include <csignal>
#include <optional>

#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QTest>

#include "archive/TArchive.h"
#include "results/TJournal.h"
#include "session/TRecordKeeper.h"
#include "support/ArchiveSamples.h"
#include "support/TestFiles.h"
#include "text/RecordStrings.h"

namespace {

constexpr int kResults = 6;

// A window's record path without the window: its journal, its archive and its record keeper.
struct Station
{
    explicit Station(const QString &journalPath, const QString &archiveFolder)
    {
        journal.Open(journalPath);
        archive.setBusyTimeout(20);
        archive.setRetryInterval(60000); // the test retries by itself
        keeper.writeJournal = [this](const std::vector<TJournal::Record> &records, int row,
                                     const QByteArray &line) {
            std::vector<TJournal::Record> all = records;
            TJournal::Record r;
            r.type = TJournal::Record::Row;
            r.row = row;
            r.line = line;
            if (row >= 0)
                all.push_back(r);
            const bool ok = journal.appendRecords(all);
            if (!records.empty() && afterJournal)
                afterJournal(++journaled);
            return ok;
        };
        keeper.readJournal = [this] { return journal.ReadAll(); };
        archive.open(archiveFolder);
        keeper.recover(journal.ReadAll());
    }
    TJournal journal;
    TArchive archive;
    TRecordKeeper keeper{archive};
    std::function<void(int)> afterJournal; // called after each archive record is journaled
    int journaled = 0;
};

// The work of a session that dies: results, a label change, a save; then SIGKILL.
[[noreturn]] void dieWorking(const QString &journal, const QString &folder, bool readOnly,
                             int killAtJournal)
{
    std::optional<AsNobody> nobody;
    if (readOnly)
        nobody.emplace();
    Station s(journal, folder);
    s.afterJournal = [killAtJournal](int n) {
        if (n == killAtJournal)
            raise(SIGKILL); // the record is in the journal, not yet in the archive
    };
    for (int i = 1; i <= kResults; ++i) {
        s.keeper.result(sampleResult(QStringLiteral("Проба %1").arg(i), day(4, 10, i)), i,
                        QByteArray::number(i) + "\tПроба");
        if (i == 2)
            s.keeper.labelChange(
                {{}, 2, QStringLiteral("Проба 2"), QStringLiteral("Проба 2б"), {}, {}, {}}, 2,
                "2\tПроба 2б");
    }
    s.keeper.fileEvent({TArchiveFileEvent::Save, QStringLiteral("/data/Март.txt"), kResults, {}});
    raise(SIGKILL);
    _exit(1);
}

} // namespace

class TestRecordKeeper : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        QFile::setPermissions(m_dir->path(), QFile::Permissions(0x7777));
    }
    void cleanup()
    {
        if (!m_mount.isEmpty())
            umount2(QFile::encodeName(m_mount).constData(), MNT_DETACH);
        m_mount.clear();
        removeTestDir(m_dir);
    }

    void killedSessionLosesNothing_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<int>("killAtJournal"); // 0: after the whole session
        QTest::addColumn<QString>("told");
        QTest::newRow("working, killed between journal and archive") << "none" << 4 << QString();
        QTest::newRow("locked by another program") << "locked" << 0 << Str::ArchiveBusyOther;
        QTest::newRow("locked, killed between journal and archive")
            << "locked" << 3 << Str::ArchiveBusyOther;
        QTest::newRow("read-only") << "read-only" << 0 << Str::ArchiveReadOnly;
        QTest::newRow("disk full") << "full" << 0 << Str::ArchiveDiskFull;
    }
    void killedSessionLosesNothing()
    {
        QFETCH(QString, trouble);
        QFETCH(int, killAtJournal);
        QFETCH(QString, told);
        const QString folder = m_dir->filePath(QStringLiteral("archive"));
        const QString journal = m_dir->filePath(QStringLiteral("Tarvo.journal"));
        const QString path = folder + QLatin1Char('/') + TArchive::FileName;
        QVERIFY(QDir().mkpath(folder));
        QFile::setPermissions(folder, QFile::Permissions(0x7777));
        if (trouble == "full") {
            if (mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=1m") != 0)
                QSKIP("a small tmpfs needs root");
            m_mount = folder;
        }
        int before = 0;
        {
            TArchive earlier;
            QVERIFY(earlier.open(folder));
            for (; before < 2; ++before)
                earlier.appendResult(sampleResult(QStringLiteral("Ранее"), day(1, 9, before)));
        }
        std::optional<RawArchive> other;
        if (trouble == "locked") {
            other.emplace(path);
            QVERIFY(other->exec("BEGIN EXCLUSIVE"));
        } else if (trouble == "read-only") {
            QFile::setPermissions(path, QFile::Permissions(0x4444));
            QFile::setPermissions(folder, QFile::Permissions(0x5555));
        } else if (trouble == "full") {
            QFile filler(folder + QStringLiteral("/filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(4096, 'f')) == 4096 && filler.flush()) {
            }
        }

        const pid_t child = fork();
        if (child == 0)
            dieWorking(journal, folder, trouble == "read-only", killAtJournal);
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        // Journaled in this order: results 1 and 2, the label change, results 3 to 6, the save.
        const int k = killAtJournal;
        const int taken = k == 0 ? kResults : k <= 2 ? k : k - 1;
        if (trouble != "none") {
            // Started again with the trouble still there: the records wait, and it says why.
            std::optional<AsNobody> nobody;
            if (trouble == "read-only")
                nobody.emplace();
            Station again(journal, folder);
            QVERIFY(again.archive.pendingCount() > 0);
            QVERIFY2(again.archive.statusText().startsWith(told),
                     qPrintable(again.archive.statusText()));
            QVERIFY(again.archive.statusText().contains(
                Str::ArchivePending.arg(again.archive.pendingCount())));
        }
        other.reset();
        QFile::remove(folder + QStringLiteral("/filler"));
        QFile::setPermissions(folder, QFile::Permissions(0x7777));
        QFile::setPermissions(path, QFile::Permissions(0x6666));
        for (int start = 0; start < 2; ++start) { // the second start adds nothing
            Station s(journal, folder);
            QTRY_VERIFY2((s.archive.retry(), s.archive.pendingCount() == 0),
                         qPrintable(s.archive.statusText()));
            QCOMPARE(s.archive.state(), ArchiveState::Ok);
        }
        RawArchive raw(path);
        const int results = raw.value("SELECT count(*) FROM results").toInt() - before;
        const int distinct = raw.value("SELECT count(DISTINCT r.uid) FROM records r "
                                       "JOIN results USING (id)")
                                 .toInt()
                             - before;
        qInfo("%s: taken %d, archived %d, lost %d, twice %d", qPrintable(trouble), taken, results,
              taken - distinct, results - distinct);
        QCOMPARE(results, taken);
        QCOMPARE(distinct, taken);
        QCOMPARE(raw.value("SELECT count(*) FROM label_changes WHERE result_id IS NOT NULL").toInt(),
                 k == 0 || k >= 3 ? 1 : 0);
        QCOMPARE(raw.value("SELECT count(*) FROM file_events").toInt(), killAtJournal ? 0 : 1);
    }

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_mount;
};

QTEST_GUILESS_MAIN(TestRecordKeeper)
#include "tst_recordkeeper.moc"
