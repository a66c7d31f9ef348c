#include <csignal>

#include <sys/resource.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "archive/ArchiveSchema.h"
#include "archive/TArchive.h"
#include "support/ArchiveSamples.h"
#include "support/TestFiles.h"

namespace {

// Files beyond this size cannot grow: what a full disk looks like to the program.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace

class TestArchive : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
    }
    void cleanup() { removeTestDir(m_dir); }

    void keepsEveryRecordAsGiven()
    {
        TArchive archive;
        QVERIFY(archive.open(m_dir->path()));
        const TArchiveResult result = sampleResult(QStringLiteral("Проба 1"), day(3));
        const QUuid handle = archive.appendResult(result);
        const QString file = QStringLiteral("/data/Март.txt");
        archive.appendLabelChange(
            {handle, 1, result.label, QStringLiteral("Проба 1а"), {}, file, {}});
        // Typed into the open row before any result came: no result to name.
        archive.appendLabelChange({{}, 2, {}, QStringLiteral("Следующая"), {}, file, {}});
        archive.appendFileEvent({TArchiveFileEvent::SaveAs, file, 1, day(3, 11)});
        QCOMPARE(archive.close(), 0);

        RawArchive raw(m_dir->filePath(TArchive::FileName));
        QCOMPARE(raw.value("SELECT group_concat(seq || kind, ' ') FROM records").toString(),
                 QStringLiteral("1result 2label 3label 4file"));
        QCOMPARE(raw.value("SELECT DISTINCT station FROM records").toString(),
                 QSysInfo::machineHostName());
        QCOMPARE(raw.value("SELECT raw FROM results").toByteArray(), result.raw);
        const QString fields = QStringLiteral("Тарво-2(2M)|ttyUSB0|7|3|Проба 1|03.03.2025|"
                                              "10:00:00|3.25|14.25|1|%1")
                                   .arg(day(3).toMSecsSinceEpoch());
        QCOMPARE(raw.value("SELECT printf('%s|%s|%d|%d|%s|%s|%s|%.2f|%.2f|%d|%d', model, port, "
                           "device, grp, label, date_text, time_text, v0, v11, "
                           "v4 IS NULL AND v26 IS NULL, at_ms) FROM results")
                     .toString(),
                 fields);
        QCOMPARE(raw.value("SELECT cells FROM results").toString(), result.cells.join('\t'));
        QVERIFY(raw.value("SELECT at_iso FROM results")
                    .toString()
                    .startsWith(QStringLiteral("2025-03-03T10:00:00.000")));
        QCOMPARE(raw.value(
                        "SELECT group_concat(printf('%s|%d|%s|%d', ifnull(result_id, '-'), row_no, "
                        "new_text, os_user <> ''), ' ') FROM label_changes")
                     .toString(),
                 QStringLiteral("1|1|Проба 1а|1 -|2|Следующая|1"));
        QCOMPARE(raw.value(
                        "SELECT printf('%s|%s|%d', event, file_name, row_count) FROM file_events")
                     .toString(),
                 QStringLiteral("save as|/data/Март.txt|1"));
        QCOMPARE(raw.value("PRAGMA journal_mode").toString(), QStringLiteral("wal"));
        QCOMPARE(raw.value("PRAGMA user_version").toInt(), ArchiveSchema::Version);

        // Opened again, the numbering goes on.
        TArchive again;
        QVERIFY(again.open(m_dir->path()));
        again.appendFileEvent({TArchiveFileEvent::New, QStringLiteral("Новый1.txt"), 0, {}});
        QCOMPARE(raw.value("SELECT max(seq) FROM records").toInt(), 5);
    }

    // Two copies of the program on one computer share the file and its numbering.
    void twoCopiesNumberOneSequence()
    {
        TArchive first;
        TArchive second;
        QVERIFY(first.open(m_dir->path()));
        QVERIFY(second.open(m_dir->path()));
        for (int i = 0; i < 6; ++i)
            (i % 2 ? first : second).appendResult(sampleResult(QString::number(i), day(4, 8, i)));
        TArchive other;
        other.setStation(QStringLiteral("приёмка-2"));
        QVERIFY(other.open(m_dir->path()));
        other.appendResult(sampleResult(QStringLiteral("x"), day(4, 9)));
        RawArchive raw(m_dir->filePath(TArchive::FileName));
        QCOMPARE(raw.value(QStringLiteral("SELECT group_concat(seq, ',') FROM records "
                                          "WHERE station = '%1'")
                               .arg(QSysInfo::machineHostName()))
                     .toString(),
                 QStringLiteral("1,2,3,4,5,6"));
        QCOMPARE(raw.value("SELECT seq FROM records WHERE station = 'приёмка-2'").toInt(), 1);
    }

    void refusesChanges_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("result value") << "UPDATE results SET v0 = 9.99";
        QTest::newRow("result label") << "UPDATE results SET label = 'другая'";
        QTest::newRow("result removed") << "DELETE FROM results";
        QTest::newRow("ledger renumbered") << "UPDATE records SET seq = seq + 10";
        QTest::newRow("ledger emptied") << "DELETE FROM records";
        QTest::newRow("label change undone") << "DELETE FROM label_changes";
        QTest::newRow("label change edited") << "UPDATE label_changes SET new_text = ''";
        QTest::newRow("file event edited") << "UPDATE file_events SET row_count = 0";
        QTest::newRow("searched label") << "UPDATE label_texts SET folded = 'x'";
    }
    void refusesChanges()
    {
        QFETCH(QString, sql);
        {
            TArchive archive;
            QVERIFY(archive.open(m_dir->path()));
            const QUuid id = archive.appendResult(sampleResult(QStringLiteral("A"), day(5)));
            archive.appendLabelChange({id, 1, QStringLiteral("A"), QStringLiteral("B"), {}, {}, {}});
            archive.appendFileEvent({TArchiveFileEvent::Save, QStringLiteral("f.txt"), 1, {}});
        }
        RawArchive raw(m_dir->filePath(TArchive::FileName));
        QSqlQuery q(raw.db());
        QVERIFY(!q.exec(sql));
        QVERIFY(q.lastError().text().contains(QStringLiteral("never changed")));
        QCOMPARE(raw.value("SELECT group_concat(seq) || (SELECT v0 || label FROM results) || "
                           "(SELECT new_text FROM label_changes) || (SELECT row_count FROM "
                           "file_events) FROM records")
                     .toString(),
                 QStringLiteral("1,2,33.25AB1"));
    }

    // A file of the first version: the labels it holds are found once it is opened.
    void stepsUpAnOlderFile()
    {
        const QString path = m_dir->filePath(TArchive::FileName);
        {
            RawArchive raw(path);
            QSqlError error;
            QVERIFY(ArchiveSchema::migrate(raw.db(), 1, &error));
            QCOMPARE(raw.value("PRAGMA user_version").toInt(), 1);
            QVERIFY(raw.exec("INSERT INTO records VALUES (1, 'st', 1, x'01', 'result')"));
            QVERIFY(raw.exec("INSERT INTO results (id, at_ms, at_iso, model, port, device, "
                             "date_text, time_text, grp, label, cells, raw, v0) VALUES (1, "
                             "1741000000000, '', 'Мирел-2', 'ttyS0', 1, '', '', 1, "
                             "'Ферма ПЕТРОВА', '', x'00', 4.5)"));
            QVERIFY(raw.exec("INSERT INTO records VALUES (2, 'st', 2, x'02', 'label')"));
            QVERIFY(raw.exec("INSERT INTO label_changes VALUES (2, 1741000001000, '', 1, 1, "
                             "'Ферма ПЕТРОВА', 'Ферма Сидорова', 'op', 'a.txt')"));
        }
        TArchive archive;
        archive.setStation(QStringLiteral("st"));
        QVERIFY(archive.open(m_dir->path()));
        RawArchive raw(path);
        QCOMPARE(raw.value("PRAGMA user_version").toInt(), ArchiveSchema::Version);
        for (const char *part : {"петрова", "СИДОРОВ", "фе"}) {
            TArchiveQuery query;
            query.label = QString::fromUtf8(part);
            const TArchiveSearchResult found = archive.search(query);
            QVERIFY2(found.ok, qPrintable(found.error));
            QCOMPARE(found.hits.size(), size_t(1));
            QCOMPARE(found.hits[0].label, QStringLiteral("Ферма Сидорова"));
            QVERIFY(found.hits[0].edited);
        }
        archive.appendResult(sampleResult(QStringLiteral("после"), day(6)));
        QCOMPARE(raw.value("SELECT max(seq) FROM records WHERE station = 'st'").toInt(), 3);
    }

    // What a newer program wrote is read, never written.
    void leavesANewerFileAlone()
    {
        const QString path = m_dir->filePath(TArchive::FileName);
        {
            RawArchive raw(path);
            QVERIFY(raw.exec("PRAGMA user_version = 99"));
        }
        TArchive archive;
        QVERIFY(!archive.open(m_dir->path()));
        QCOMPARE(archive.state(), ArchiveState::TooNew);
        archive.appendResult(sampleResult(QStringLiteral("A"), day(7)));
        QCOMPARE(archive.pendingCount(), 1);
        QVERIFY(!archive.retry());
        RawArchive raw(path);
        QCOMPARE(raw.value("PRAGMA user_version").toInt(), 99);
        QCOMPARE(raw.value("SELECT count(*) FROM sqlite_schema").toInt(), 0);
    }

    // The archive in trouble: the call returns, the record waits and the status bar says why;
    // once the trouble is gone, the record is written.
    void troubleKeepsRecordsWaiting_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QList<int>>("states");
        const auto s = [](std::initializer_list<ArchiveState> list) {
            QList<int> out;
            for (ArchiveState st : list)
                out << int(st);
            return out;
        };
        QTest::newRow("not an archive") << "garbage" << s({ArchiveState::Corrupt});
        QTest::newRow("damaged pages") << "damaged" << s({ArchiveState::Corrupt});
        QTest::newRow("read-only folder") << "read-only" << s({ArchiveState::ReadOnly});
        QTest::newRow("locked by another program") << "locked" << s({ArchiveState::BusyOther});
        QTest::newRow("locked by another copy") << "copy" << s({ArchiveState::Busy});
        QTest::newRow("disk full")
            << "full" << s({ArchiveState::DiskFull, ArchiveState::WriteError});
    }
    void troubleKeepsRecordsWaiting()
    {
        QFETCH(QString, trouble);
        QFETCH(QList<int>, states);
        const QString folder = m_dir->filePath(QStringLiteral("archive"));
        const QString path = folder + QLatin1Char('/') + TArchive::FileName;
        QVERIFY(QDir().mkpath(folder));
        QFile::setPermissions(m_dir->path(), QFile::Permissions(0x7777));
        std::optional<RawArchive> other;
        std::optional<AsNobody> nobody;
        std::optional<FileSizeLimit> limit;
        std::optional<TArchive> copy;
        if (trouble != "garbage" && trouble != "read-only") {
            TArchive earlier;
            QVERIFY(earlier.open(folder));
            for (int i = 0; i < 40; ++i)
                earlier.appendResult(sampleResult(QStringLiteral("Проба %1").arg(i), day(1)));
        }
        if (trouble == "garbage") {
            QVERIFY(putFile(path, QByteArray(8192, 'x')));
        } else if (trouble == "damaged") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(4096); // everything but the first page, which holds the table list
            f.write(QByteArray(f.size() - 4096, char(0xA5)));
        } else if (trouble == "read-only") {
            QFile::setPermissions(folder, QFile::Permissions(0x5555));
            nobody.emplace();
        } else if (trouble == "locked" || trouble == "copy") {
            if (trouble == "copy") // a copy of the program with the archive open
                copy.emplace().open(folder);
            other.emplace(path);
            QVERIFY(other->exec("BEGIN EXCLUSIVE"));
        }

        TArchive archive;
        archive.setBusyTimeout(20);
        archive.setRetryInterval(60000); // the test retries by itself
        QSignalSpy changed(&archive, &TArchive::stateChanged);
        archive.open(folder);
        if (trouble == "full")
            limit.emplace(4096);
        const QUuid id = archive.appendResult(sampleResult(QStringLiteral("Новая"), day(2)));
        archive.appendLabelChange(
            {id, 41, QStringLiteral("Новая"), QStringLiteral("Новая-2"), {}, {}, {}});
        QVERIFY2(states.contains(int(archive.state())),
                 qPrintable(QString::number(int(archive.state())) + archive.errorText()));
        QCOMPARE(archive.pendingCount(), 2);
        QVERIFY(archive.statusText().contains(QStringLiteral("ждут записи: 2")));
        QVERIFY(!archive.errorText().isEmpty());
        QVERIFY(changed.count() > 0);
        TArchiveQuery query; // a search in trouble answers, with or without hits
        query.label = QStringLiteral("проба");
        archive.search(query);

        // The trouble goes away.
        limit.reset();
        nobody.reset();
        other.reset();
        copy.reset();
        if (trouble == "garbage" || trouble == "damaged") { // moved aside by the operator
            for (const char *suffix : {"", "-wal", "-shm"})
                QFile::rename(path + suffix, path + suffix + QStringLiteral(".damaged"));
        }
        QFile::setPermissions(folder, QFile::Permissions(0x7777));
        QVERIFY2(archive.retry(), qPrintable(archive.errorText()));
        QCOMPARE(archive.state(), ArchiveState::Ok);
        QCOMPARE(archive.pendingCount(), 0);
        query.label = QStringLiteral("НОВАЯ-2");
        const TArchiveSearchResult found = archive.search(query);
        QCOMPARE(found.hits.size(), size_t(1));
        QVERIFY(found.hits[0].edited);
        QCOMPARE(archive.lostCount(), 0);
        RawArchive raw(path);
        QCOMPARE(raw.value("SELECT raw FROM results WHERE label = 'Новая'").toByteArray(),
                 sampleResult(QString(), day(2)).raw);
    }

    // Past the limit of waiting records, further ones are counted as lost; a label change of a
    // lost result is kept without it; closing gives up what still waits.
    void countsWhatItCannotKeep()
    {
        TArchive archive;
        archive.setBusyTimeout(10);
        archive.setRetryInterval(60000);
        archive.setMaxPending(3);
        QVERIFY(archive.open(m_dir->path()));
        const QString path = m_dir->filePath(TArchive::FileName);
        std::optional<RawArchive> other(std::in_place, path);
        QVERIFY(other->exec("BEGIN EXCLUSIVE"));
        QUuid last;
        for (int i = 0; i < 5; ++i)
            last = archive.appendResult(sampleResult(QString::number(i), day(8, 9, i)));
        QCOMPARE(archive.pendingCount(), 3);
        QCOMPARE(archive.lostCount(), 2);
        QVERIFY(archive.statusText().contains(QStringLiteral("потеряно: 2")));
        other.reset();
        QVERIFY(archive.retry());
        const TArchiveLabelChange change{last, 5, QStringLiteral("4"), QStringLiteral("4б"), {},
                                         {},   {}};
        archive.appendLabelChange(change);
        RawArchive raw(path);
        QCOMPARE(raw.value("SELECT group_concat(label) FROM results").toString(),
                 QStringLiteral("0,1,2"));
        QCOMPARE(raw.value("SELECT count(*) FROM label_changes WHERE result_id IS NULL").toInt(), 1);

        // Closing with records that cannot be written says how many are given up.
        QVERIFY(raw.exec("BEGIN EXCLUSIVE"));
        archive.appendResult(sampleResult(QStringLiteral("A"), day(9)));
        QCOMPARE(archive.close(), 1);
        QCOMPARE(archive.lostCount(), 3);
        QCOMPARE(archive.state(), ArchiveState::Closed);
    }

    void defaultFolder()
    {
        QCOMPARE(TArchive::defaultFolder(m_dir->path()), QDir(m_dir->path()).absolutePath());
        const QString locked = m_dir->filePath(QStringLiteral("ro"));
        QVERIFY(QDir().mkpath(locked));
        QFile::setPermissions(m_dir->path(), QFile::Permissions(0x7777));
        QFile::setPermissions(locked, QFile::Permissions(0x5555));
        qputenv("XDG_DATA_HOME", m_dir->filePath(QStringLiteral("home")).toUtf8());
        QString folder;
        {
            AsNobody nobody;
            folder = TArchive::defaultFolder(locked);
        }
        QCOMPARE(folder, m_dir->filePath(QStringLiteral("home/reg01")));
        QFile::setPermissions(locked, QFile::Permissions(0x7777));
    }

private:
    QTemporaryDir *m_dir = nullptr;
};

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
