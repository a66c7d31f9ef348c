#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/types.h>

#include "settings/TIniPlus.h"
#include "support/TestFiles.h"
#include "text/SafeFile.h"

class TestSafeFile : public QObject
{
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void nonRegularNeverReadOrReplaced_data();
    void nonRegularNeverReadOrReplaced();
    void regularFilesAreReadAndReplaced();
    void staleCopiesGoOthersStay();
    void settingsOnAFifoNeitherHangNorReplaceIt();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestSafeFile::nonRegularNeverReadOrReplaced_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("device") << "device";
    QTest::newRow("link to a device") << "link";
    QTest::newRow("folder") << "folder";
}

void TestSafeFile::nonRegularNeverReadOrReplaced()
{
    QFETCH(QString, kind);
    const QString p = path(kind);
    if (kind == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(p).constData(), 0600), 0);
    else if (kind == "link")
        QVERIFY(QFile::link("/dev/null", p));
    else if (kind == "folder")
        QVERIFY(QDir().mkdir(p));
    const QString target = kind == "device" ? QStringLiteral("/dev/null") : p;

    QFile file;
    QString reason;
    // A FIFO with no writer would block an ordinary open for good.
    QVERIFY(!SafeFile::openForReading(file, target, &reason));
    QVERIFY2(!reason.isEmpty(), qPrintable(kind));
    QVERIFY(!file.isOpen());
    reason.clear();
    QVERIFY(!SafeFile::mayReplace(target, &reason));
    QVERIFY(!reason.isEmpty());
}

void TestSafeFile::regularFilesAreReadAndReplaced()
{
    const QString p = path("res.txt");
    QVERIFY(putFile(p, "a\tb\r\n"));
    QVERIFY(QFile::link(p, path("link.txt")));
    QString reason;
    for (const QString &name : {p, path("link.txt")}) {
        QFile file;
        QVERIFY2(SafeFile::openForReading(file, name, &reason), qPrintable(reason));
        QCOMPARE(file.readAll(), QByteArray("a\tb\r\n"));
        QVERIFY(SafeFile::mayReplace(name, &reason));
    }
    QFile missing;
    QVERIFY(!SafeFile::openForReading(missing, path("none.txt"), &reason));
    QVERIFY(SafeFile::mayReplace(path("none.txt"), &reason));
}

void TestSafeFile::staleCopiesGoOthersStay()
{
    const QString p = path("res.txt");
    const QStringList stale = {"res.txt.Ab12Cd", "res.txt.QWERTY", "res.txt.a1b2c3"};
    const QStringList kept = {"res.txt.backup", "res.txt.Ab12C",    "res.txt.Ab12Cd7",
                              "res.txt~",       "other.txt.Ab12Cd", "res.txt"};
    for (const QString &n : stale + kept)
        QVERIFY(putFile(path(n), "x"));
    QCOMPARE(SafeFile::removeStaleCopies(p), int(stale.size()));
    for (const QString &n : stale)
        QVERIFY2(!QFile::exists(path(n)), qPrintable(n));
    for (const QString &n : kept)
        QVERIFY2(QFile::exists(path(n)), qPrintable(n));
}

void TestSafeFile::settingsOnAFifoNeitherHangNorReplaceIt()
{
    const QString p = path("Tarvo.Ini");
    QCOMPARE(mkfifo(QFile::encodeName(p).constData(), 0600), 0);
    TIniPlus ini(p); // returns at once instead of waiting for a writer
    QCOMPARE(ini.ReadString("Config", "COM", "none"), QString("none"));
    QVERIFY(!ini.WriteString("Config", "COM", "ttyS0"));
    struct stat st
    {};
    QCOMPARE(stat(QFile::encodeName(p).constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
}

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
