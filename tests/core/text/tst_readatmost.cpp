#include <QTest>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <thread>

#include "support/TestFiles.h"
#include "text/ReadAtMost.h"

namespace {

QByteArray pattern(qsizetype n)
{
    QByteArray b(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = char('a' + i % 23);
    return b;
}

} // namespace

class TestReadAtMost : public QObject
{
    Q_OBJECT

private slots:
    void sizes_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("skip");
        QTest::newRow("empty") << 0 << 100 << 0;
        QTest::newRow("small") << 10 << 1000000 << 0;
        QTest::newRow("at the limit") << 5000 << 5000 << 0;
        QTest::newRow("one over") << 5001 << 5000 << 0;
        QTest::newRow("far over") << 300000 << 5000 << 0;
        QTest::newRow("limit below a chunk") << 100 << 10 << 0;
        QTest::newRow("from the middle") << 9000 << 100000 << 4000;
        QTest::newRow("limit 0") << 3 << 0 << 0;
    }
    void sizes()
    {
        QFETCH(int, size);
        QFETCH(int, limit);
        QFETCH(int, skip);
        QTemporaryDir dir;
        const QString path = dir.filePath("f");
        const QByteArray bytes = pattern(size);
        QVERIFY(putFile(path, bytes));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.seek(skip));
        const QByteArray got = ReadAtMost(file, limit);
        QCOMPARE(got, bytes.mid(skip, limit + 1));
        QCOMPARE(file.error(), QFileDevice::NoError);

        QBuffer buffer;
        buffer.setData(bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(ReadAtMost(buffer, limit), bytes.left(limit + 1));
    }

    // A pipe tells no size; it is read until its end or one byte past the limit.
    void pipe_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("limit");
        QTest::newRow("whole") << 100000 << 200000;
        QTest::newRow("capped") << 100000 << 30000;
    }
    void pipe()
    {
        QFETCH(int, size);
        QFETCH(int, limit);
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath("fifo"));
        QCOMPARE(mkfifo(path.constData(), 0600), 0);
        const QByteArray bytes = pattern(size);
        std::thread writer([&] {
            QFile out(QString::fromLocal8Bit(path));
            if (out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
                out.write(bytes);
        });
        QByteArray got;
        {
            QFile in(QString::fromLocal8Bit(path));
            QVERIFY(in.open(QIODevice::ReadOnly));
            QVERIFY(in.isSequential());
            got = ReadAtMost(in, limit);
            in.readAll(); // the writer must not meet a closed pipe
        }
        writer.join();
        QCOMPARE(got, bytes.left(limit + 1));
    }
};

QTEST_APPLESS_MAIN(TestReadAtMost)
#include "tst_readatmost.moc"
