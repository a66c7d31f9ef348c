#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "pollers/FrameLog.h"

class TestFrameLog : public QObject
{
    Q_OBJECT
private slots:
    void linesTellDirectionLengthAndVerdict_data();
    void linesTellDirectionLengthAndVerdict();
    void neverMoreThanTwoFilesOfTheLimit();
    void anUnwritableLogIsQuiet();
};

void TestFrameLog::linesTellDirectionLengthAndVerdict_data()
{
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("accepted") << int(FrameLog::Verdict::Accepted) << QByteArray("accepted");
    QTest::newRow("length") << int(FrameLog::Verdict::WrongLength) << QByteArray("wrong length");
    QTest::newRow("echo") << int(FrameLog::Verdict::WrongEcho) << QByteArray("wrong echo");
    QTest::newRow("none") << int(FrameLog::Verdict::NoReply) << QByteArray("no reply");
}

void TestFrameLog::linesTellDirectionLengthAndVerdict()
{
    QFETCH(int, verdict);
    QFETCH(QByteArray, text);
    QTemporaryDir dir;
    const QString path = dir.filePath("frames.log");
    {
        FrameLog log(path);
        const uint8_t request[5] = {0x90, 0xA0, 0xA0, 0xA0, 0x06};
        log.request(request, 5);
        log.reply(request, 4, FrameLog::Verdict(verdict));
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[0].endsWith(" > 90 a0 a0 a0 06"), lines[0].constData());
    QVERIFY2(lines[1].endsWith(" < [4] " + text + ": 90 a0 a0 a0"), lines[1].constData());
    // Monotonic seconds with microseconds lead each line.
    QVERIFY(lines[1].split(' ').first().toDouble() >= lines[0].split(' ').first().toDouble());
}

void TestFrameLog::neverMoreThanTwoFilesOfTheLimit()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("frames.log");
    const uint8_t reply[106] = {};
    {
        FrameLog log(path, 4096);
        for (int i = 0; i < 200; ++i)
            log.reply(reply, sizeof reply, FrameLog::Verdict::Accepted);
    }
    QVERIFY(QFileInfo(path).size() <= 4096);
    QVERIFY(QFileInfo(path).size() > 0);
    QVERIFY(QFileInfo(path + ".1").size() <= 4096);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

void TestFrameLog::anUnwritableLogIsQuiet()
{
    FrameLog log("/nonexistent-folder/frames.log");
    const uint8_t b[4] = {1, 2, 3, 4};
    log.request(b, 4);
    log.reply(b, 4, FrameLog::Verdict::Accepted); // nothing to see, nothing thrown
}

QTEST_GUILESS_MAIN(TestFrameLog)
#include "tst_framelog.moc"
