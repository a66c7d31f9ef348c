// What reaches the disk in what order. A rename or a new file is durable only once its folder
// is flushed: this test stands between the program and the C library's fsync, fdatasync and
// rename and notes what each touched.

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "results/TJournal.h"
#include "results/TResultsFile.h"
#include "support/TestFiles.h"

namespace {

QStringList g_events; // "sync <path>" and "rename <to>", in order
bool g_noting = false;

QString pathOfFd(int fd)
{
    char buf[4096];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    const ssize_t n = readlink(link.constData(), buf, sizeof buf);
    return n > 0 ? QFile::decodeName(QByteArray(buf, int(n))) : QString();
}

template <typename F>
F real(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int fsync(int fd)
{
    static const auto next = real<int (*)(int)>("fsync");
    if (g_noting)
        g_events << QStringLiteral("sync ") + pathOfFd(fd);
    return next(fd);
}

extern "C" int fdatasync(int fd)
{
    static const auto next = real<int (*)(int)>("fdatasync");
    if (g_noting)
        g_events << QStringLiteral("sync ") + pathOfFd(fd);
    return next(fd);
}

extern "C" int rename(const char *from, const char *to)
{
    static const auto next = real<int (*)(const char *, const char *)>("rename");
    if (g_noting)
        g_events << QStringLiteral("rename ") + QFile::decodeName(to);
    return next(from, to);
}

extern "C" int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned flags)
{
    static const auto next = real<int (*)(int, const char *, int, const char *, unsigned)>(
        "renameat2");
    if (g_noting)
        g_events << QStringLiteral("rename ") + QFile::decodeName(to);
    return next(fromDir, from, toDir, to, flags);
}

class TestDurability : public QObject
{
    Q_OBJECT

    // The events noted while `work` ran.
    template <typename F>
    static QStringList noted(F &&work)
    {
        g_events.clear();
        g_noting = true;
        work();
        g_noting = false;
        return g_events;
    }

private slots:
    // The file's content reaches the disk, then the rename, then the folder that holds it.
    void saveFlushesTheFolderAfterTheRename()
    {
        QTemporaryDir dir;
        const QString folder = QFileInfo(dir.path()).canonicalFilePath();
        const QString path = folder + QStringLiteral("/Новый.txt");
        QVERIFY(putFile(path, "old\r\n"));
        TRowStore rows(3);
        rows.AppendLine("1\ta\t01.01.2024");
        const QStringList events = noted([&] { QVERIFY(TResultsFile::Save(path, rows, nullptr)); });
        const qsizetype renamed = events.lastIndexOf(QStringLiteral("rename ") + path);
        QVERIFY2(renamed >= 0, qPrintable(events.join(u", ")));
        QVERIFY2(events.indexOf(QStringLiteral("sync ") + folder, renamed) > renamed,
                 qPrintable(events.join(u", ")));
        QCOMPARE(getFile(path), QByteArray("a\t01.01.2024\r\n"));
    }

    // A journal made new has its name on the disk before its first record counts.
    void newJournalFlushesItsFolder_data()
    {
        QTest::addColumn<bool>("existed");
        QTest::newRow("made new") << false;
        QTest::newRow("there already") << true;
    }
    void newJournalFlushesItsFolder()
    {
        QFETCH(bool, existed);
        QTemporaryDir dir;
        const QString folder = QFileInfo(dir.path()).canonicalFilePath();
        const QString path = folder + QStringLiteral("/Tarvo.journal");
        if (existed)
            QVERIFY(putFile(path, QByteArray()));
        TJournal journal;
        const QStringList events = noted([&] { QVERIFY(journal.Open(path)); });
        QCOMPARE(events.contains(QStringLiteral("sync ") + folder), !existed);
    }
};

QTEST_GUILESS_MAIN(TestDurability)
#include "tst_durability.moc"
