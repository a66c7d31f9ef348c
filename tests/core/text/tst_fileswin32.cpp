#include <QTemporaryDir>
#include <QTest>

#include "archive/ArchiveFileWatch.h"
#include "results/TJournal.h"
#include "text/PlatformStrings.h"
#include "text/SafeFile.h"
#include "text/Strings.h"

// The Windows file layer: device names and folders are never read or replaced, a replaced file
// holds the new bytes, a journal is held by one copy at a time, and the archive's watch tells
// another copy and a shortened file.
class TestFilesWin32 : public QObject
{
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void notFiles_data();
    void notFiles();
    void replacedFileHoldsNewBytes();
    void journalHeldOnce();
    void archiveWatch();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    static void write(const QString &p, const QByteArray &bytes)
    {
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    QTemporaryDir m_dir;
};

void TestFilesWin32::notFiles_data()
{
    QTest::addColumn<QString>("name"); // empty: the test folder itself
    QTest::addColumn<QString>("reason");
    QTest::newRow("NUL") << QStringLiteral("NUL") << Str::PathIsDevice;
    QTest::newRow("folder") << QString() << Str::PathIsFolder;
}

void TestFilesWin32::notFiles()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    const QString p = name.isEmpty() ? m_dir.path() : name;
    QString why;
    QVERIFY(!SafeFile::mayReplace(p, &why));
    QCOMPARE(why, reason);
    QFile file;
    why.clear();
    QVERIFY(!SafeFile::openForReading(file, p, &why));
    QCOMPARE(why, reason);
    QVERIFY(!file.isOpen());
}

void TestFilesWin32::replacedFileHoldsNewBytes()
{
    write(path("res.txt"), "old");
    write(path("res.txt.part"), "new bytes");
    QString why;
    QVERIFY2(SafeFile::replaceDurably(path("res.txt.part"), path("res.txt"), &why), qPrintable(why));
    QVERIFY(!QFile::exists(path("res.txt.part")));
    QFile file;
    QVERIFY(SafeFile::openForReading(file, path("res.txt"), &why));
    QCOMPARE(file.readAll(), QByteArray("new bytes"));
    QVERIFY(!SafeFile::replaceDurably(path("missing.part"), path("res.txt"), &why));
    QVERIFY(!why.isEmpty());
}

void TestFilesWin32::journalHeldOnce()
{
    TJournal first, second;
    QVERIFY(first.Open(path("Tarvo.jrn")));
    QVERIFY(!second.Open(path("Tarvo.jrn")));
    QVERIFY(second.Busy());
    QCOMPARE(second.ErrorString(), Str::JournalHeld);
    TJournal::Record row;
    row.type = TJournal::Record::Row;
    row.row = 2;
    row.line = "7\t3,45";
    QVERIFY(first.Append(row));
    QVERIFY(first.Append(row));
    first.Close();
    QVERIFY(second.Open(path("Tarvo.jrn")));
    QCOMPARE(second.ReadAll().size(), std::size_t(2));
    QVERIFY(second.Clear());
    QCOMPARE(second.ReadAll().size(), std::size_t(0));
}

void TestFilesWin32::archiveWatch()
{
    const QString archive = path("reg01.sqlite");
    write(archive, "0123456789");
    ArchiveFileWatch mine, other;
    QVERIFY(mine.attach(archive));
    QVERIFY(!mine.otherCopyHolds());
    QVERIFY(other.attach(archive));
    QVERIFY(mine.otherCopyHolds());
    // Asking twice must not lose the lock that tells this copy apart.
    QVERIFY(other.otherCopyHolds());
    other.detach();
    QVERIFY(!mine.otherCopyHolds());
    QCOMPARE(mine.look(), ArchiveFileWatch::Change::None);
    write(archive, "01");
    QCOMPARE(mine.look(), ArchiveFileWatch::Change::Truncated);
    QVERIFY(QFile::remove(archive));
    QCOMPARE(mine.look(), ArchiveFileWatch::Change::Gone);
}

QTEST_GUILESS_MAIN(TestFilesWin32)
#include "tst_fileswin32.moc"
