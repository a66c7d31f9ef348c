#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "support/TestFiles.h"

#include "results/JournalReplay.h"
#include "results/TJournal.h"
#include "text/Strings.h"

using Record = TJournal::Record;
using Records = std::vector<Record>;
Q_DECLARE_METATYPE(Records)
Q_DECLARE_METATYPE(Record)
Q_DECLARE_METATYPE(TFileStamp)
Q_DECLARE_METATYPE(JournalReplay::Basis)

static Record base(const QString &name, bool fromFile)
{
    Record r;
    r.type = Record::Base;
    r.fromFile = fromFile;
    r.fileName = name;
    return r;
}

static Record row(int index, const QByteArray &line)
{
    Record r;
    r.type = Record::Row;
    r.row = index;
    r.line = line;
    return r;
}

static Record stampedBase(const QString &name, bool fromFile, const TFileStamp &stamp)
{
    Record r = base(name, fromFile);
    r.stamped = true;
    r.stamp = stamp;
    return r;
}

static TFileStamp stamp(bool exists, qint64 size = 0, const QByteArray &hash = {})
{
    TFileStamp s;
    s.exists = exists;
    s.size = size;
    s.modifiedMs = 1733650000123;
    s.hash = hash;
    return s;
}

static QByteArray sample()
{
    return TJournal::Encode(base(QStringLiteral("/data/Молоко.txt"), true))
           + TJournal::Encode(row(1, QByteArray("1\t\xcf\xf0\xee\xe1\xe0\t08.12.2026\t10:00:00")))
           + TJournal::Encode(row(2, QByteArray("2\t\t\t")));
}

// A five-column table as lines: "number\tlabel\tdate\ttime\tcount".
static TRowStore table(const QList<QByteArray> &lines)
{
    TRowStore rows(5);
    for (const QByteArray &line : lines)
        rows.AppendLine(line);
    return rows;
}

static QList<QByteArray> linesOf(const TRowStore &rows)
{
    QList<QByteArray> lines;
    for (int r = 0; r < rows.RowCount(); ++r)
        lines.append(rows.Line(r));
    return lines;
}

class TestJournal : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip()
    {
        const auto records = TJournal::Parse(sample());
        QCOMPARE(records.size(), size_t(3));
        QCOMPARE(records[0].type, Record::Base);
        QVERIFY(records[0].fromFile);
        QCOMPARE(records[0].fileName, QStringLiteral("/data/Молоко.txt"));
        QCOMPARE(records[1].type, Record::Row);
        QCOMPARE(records[1].row, 1);
        QCOMPARE(records[1].line, QByteArray("1\t\xcf\xf0\xee\xe1\xe0\t08.12.2026\t10:00:00"));
        QCOMPARE(records[2].line, QByteArray("2\t\t\t"));
    }

    // A record torn at any byte is skipped; the records before it survive.
    void tornTail()
    {
        const QByteArray all = sample();
        const qsizetype firstTwo = TJournal::Encode(base(QStringLiteral("/data/Молоко.txt"), true))
                                       .size()
                                   + TJournal::Encode(row(1, TJournal::Parse(all)[1].line)).size();
        for (qsizetype cut = firstTwo; cut < all.size(); ++cut)
            QCOMPARE(TJournal::Parse(all.left(cut)).size(), size_t(2));
        QCOMPARE(TJournal::Parse(all).size(), size_t(3));
    }

    void damage_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("expected");
        QTest::newRow("length of the first") << 0 << 0;
        QTest::newRow("type of the first") << 4 << 0;
        QTest::newRow("checksum of the first") << -1 << 0;
    }
    void damage()
    {
        QFETCH(int, offset);
        QFETCH(int, expected);
        QByteArray first = TJournal::Encode(base(QStringLiteral("a.txt"), false));
        const int at = offset < 0 ? int(first.size()) - 1 : offset;
        first[at] = char(first[at] ^ 0x5A);
        QCOMPARE(int(TJournal::Parse(first + sample()).size()), expected);
    }

    void garbageNeverCrashes()
    {
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk.append(char((i * 37 + 11) & 0xFF));
        QVERIFY(TJournal::Parse(junk).empty());
        QVERIFY(TJournal::Parse(QByteArray(20, '\xff')).empty());
    }

    void fileLifecycle()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Tarvo.journal"));
        TJournal j;
        QVERIFY(j.Open(path));
        QVERIFY(j.ReadAll().empty());
        QVERIFY(j.Reset(base(QStringLiteral("x.txt"), true)));
        QVERIFY(j.Append(row(1, "1\ta")));
        QVERIFY(j.Append(row(1, "1\tab")));
        auto records = j.ReadAll();
        QCOMPARE(records.size(), size_t(3));
        QCOMPARE(records[2].line, QByteArray("1\tab"));

        // A second holder (another running copy) is refused while the first lives.
        TJournal other;
        QVERIFY(!other.Open(path));
        j.Close();
        QVERIFY(other.Open(path));
        QCOMPARE(other.ReadAll().size(), size_t(3));
        QVERIFY(other.Clear());
        QVERIFY(other.ReadAll().empty());
        QCOMPARE(QFileInfo(path).size(), 0);
    }

    // The table a journal gives back: its base's rows with the row records after the last
    // base written over them, ending in one numbered open row.
    void replay_data()
    {
        QTest::addColumn<QList<QByteArray>>("base");
        QTest::addColumn<Records>("records");
        QTest::addColumn<QList<QByteArray>>("expected");
        QTest::addColumn<int>("changed");
        const QByteArray r1 = "1\ta\t05.03.2024\t10:00:00\t1";
        const QByteArray r2 = "2\tb\t05.03.2024\t10:02:01\t2";
        const QByteArray open2 = "2\t\t\t\t";
        const QByteArray open3 = "3\t\t\t\t";

        QTest::newRow("empty journal: the base keeps its open row")
            << QList<QByteArray>{r1, open2} << Records{} << QList<QByteArray>{r1, open2} << 0;
        QTest::newRow("a result fills the open row and a new one follows")
            << QList<QByteArray>{"1\t\t\t\t"} << Records{base("n.txt", false), row(1, r1)}
            << QList<QByteArray>{r1, open2} << 1;
        QTest::newRow("a label typed into the open row stays there")
            << QList<QByteArray>{r1, open2} << Records{base("f.txt", true), row(2, "2\tnext\t\t\t")}
            << QList<QByteArray>{r1, "2\tnext\t\t\t"} << 1;
        QTest::newRow("records before the last base are spent")
            << QList<QByteArray>{r1, open2}
            << Records{row(1, "1\told\t05.03.2024\t09:00:00\t7"), base("f.txt", true), row(2, r2)}
            << QList<QByteArray>{r1, r2, open3} << 1;
        QTest::newRow("no base at all: every record counts")
            << QList<QByteArray>{"1\t\t\t\t"} << Records{row(1, r1), row(2, r2)}
            << QList<QByteArray>{r1, r2, open3} << 2;
        QTest::newRow("the later record of a row wins")
            << QList<QByteArray>{"1\t\t\t\t"}
            << Records{base("n.txt", false), row(1, "1\tx\t\t\t"), row(1, r1)}
            << QList<QByteArray>{r1, open2} << 1;
        QTest::newRow("rows two past the end, row 0 and below are damage")
            << QList<QByteArray>{"1\t\t\t\t"}
            << Records{base("n.txt", false), row(3, r2), row(0, r2), row(-4, r2)}
            << QList<QByteArray>{"1\t\t\t\t"} << 3;
        QTest::newRow("a row record grows the table by one")
            << QList<QByteArray>{r1, open2}
            << Records{base("f.txt", true), row(2, r2), row(3, "3\tlbl\t\t\t")}
            << QList<QByteArray>{r1, r2, "3\tlbl\t\t\t"} << 2;
        QTest::newRow("an empty base gets its open row numbered 1")
            << QList<QByteArray>{} << Records{base("n.txt", false)}
            << QList<QByteArray>{"1\t\t\t\t"} << 0;
        QTest::newRow("lines of another width take the table's")
            << QList<QByteArray>{"1\t\t\t\t"}
            << Records{base("n.txt", false), row(1, "1\ta\t05.03.2024\t10:00:00\t1\tx\ty")}
            << QList<QByteArray>{"1\ta\t05.03.2024\t10:00:00\t1xy", open2} << 1;
    }
    void replay()
    {
        QFETCH(QList<QByteArray>, base);
        QFETCH(Records, records);
        QFETCH(QList<QByteArray>, expected);
        QFETCH(int, changed);
        QCOMPARE(linesOf(JournalReplay::replay(records, table(base))), expected);
        QCOMPARE(JournalReplay::changedRows(records), changed);
    }

    void lastBase()
    {
        QVERIFY(!JournalReplay::lastBase({}));
        QVERIFY(!JournalReplay::lastBase({row(1, "1")}));
        const Records records = {base("a.txt", true), row(1, "1"), base("b.txt", false),
                                 row(1, "1")};
        const Record *last = JournalReplay::lastBase(records);
        QVERIFY(last);
        QCOMPARE(last->fileName, QStringLiteral("b.txt"));
        QVERIFY(!last->fromFile);
    }

    // The base keeps what its file was: whether it existed, size, time and hash.
    void stampedBaseRoundTrip()
    {
        const QByteArray hash(32, '\x5a');
        const Record in = stampedBase(QStringLiteral("/data/Молоко.txt"), true,
                                      stamp(true, qint64(5) << 32, hash));
        const auto out = TJournal::Parse(TJournal::Encode(in) + TJournal::Encode(row(1, "1\ta")));
        QCOMPARE(out.size(), size_t(2));
        QVERIFY(out[0].stamped && out[0].fromFile);
        QCOMPARE(out[0].fileName, in.fileName);
        QVERIFY(out[0].stamp.exists);
        QCOMPARE(out[0].stamp.size, qint64(5) << 32);
        QCOMPARE(out[0].stamp.modifiedMs, qint64(1733650000123));
        QCOMPARE(out[0].stamp.hash, hash);
        const auto missing = TJournal::Parse(
            TJournal::Encode(stampedBase("n.txt", false, stamp(false))));
        QCOMPARE(missing.size(), size_t(1));
        QVERIFY(missing[0].stamped && !missing[0].stamp.exists && !missing[0].fromFile);
    }

    // A journal written before bases carried a stamp still reads, as an unstamped base.
    void earlierJournalsStillRead()
    {
        QByteArray body = QByteArray("\x01\x01", 2) + QByteArray("/data/r.txt");
        QByteArray old;
        for (int i = 0; i < 4; ++i)
            old.append(char(((body.size() - 1) >> (8 * i)) & 0xFF));
        old.append(body);
        const uint32_t crc = TJournal::crc32(body);
        for (int i = 0; i < 4; ++i)
            old.append(char((crc >> (8 * i)) & 0xFF));
        const auto records = TJournal::Parse(old + TJournal::Encode(row(1, "1\ta")));
        QCOMPARE(records.size(), size_t(2));
        QVERIFY(records[0].fromFile && !records[0].stamped);
        QCOMPARE(records[0].fileName, QStringLiteral("/data/r.txt"));
    }

    // Where the journal's rows go back: onto the file as it was, after a file that changed,
    // or into a table of their own when the file is gone.
    void compare_data()
    {
        QTest::addColumn<Record>("base");
        QTest::addColumn<TFileStamp>("now");
        QTest::addColumn<JournalReplay::Basis>("basis");
        using B = JournalReplay::Basis;
        const TFileStamp file = stamp(true, 100, QByteArray(32, 'a'));
        TFileStamp touched = file;
        touched.modifiedMs += 5000;
        TFileStamp grown = file;
        grown.size = 140;
        grown.hash = QByteArray(32, 'b');
        TFileStamp edited = file; // same size, other content
        edited.hash = QByteArray(32, 'c');
        TFileStamp unreadable = file;
        unreadable.hash.clear();
        QTest::newRow("unchanged") << stampedBase("r.txt", true, file) << file << B::Same;
        QTest::newRow("only its time changed")
            << stampedBase("r.txt", true, file) << touched << B::Same;
        QTest::newRow("a row more") << stampedBase("r.txt", true, file) << grown << B::Changed;
        QTest::newRow("same size, other content")
            << stampedBase("r.txt", true, file) << edited << B::Changed;
        QTest::newRow("cannot be read now")
            << stampedBase("r.txt", true, file) << unreadable << B::Changed;
        QTest::newRow("gone") << stampedBase("r.txt", true, file) << stamp(false) << B::Missing;
        QTest::newRow("missing then and now")
            << stampedBase("r.txt", true, stamp(false)) << stamp(false) << B::Same;
        QTest::newRow("new table, file made since")
            << stampedBase("Новый1.txt", false, stamp(false)) << file << B::Changed;
        QTest::newRow("earlier journal, new table")
            << base("Новый1.txt", false) << stamp(false) << B::Same;
        QTest::newRow("earlier journal, file there") << base("r.txt", true) << file << B::Changed;
        QTest::newRow("earlier journal, file gone")
            << base("r.txt", true) << stamp(false) << B::Missing;
    }
    void compare()
    {
        QFETCH(Record, base);
        QFETCH(TFileStamp, now);
        QFETCH(JournalReplay::Basis, basis);
        QCOMPARE(JournalReplay::compare(base, now), basis);
    }

    // The journal's rows after the rows of a file that changed: each changed row once, as it
    // stood last, numbered on from the file's rows; nothing of the file is written over.
    void appendAfterChangedFile_data()
    {
        QTest::addColumn<QList<QByteArray>>("file");
        QTest::addColumn<Records>("records");
        QTest::addColumn<QList<QByteArray>>("expected");
        const QByteArray r1 = "1\ta\t05.03.2024\t10:00:00\t1";
        const QByteArray j2 = "2\tj\t05.03.2024\t10:02:01\t2";
        const QByteArray j3 = "3\t\t05.03.2024\t10:04:02\t3";
        const QByteArray f2 = "2\tfile\t06.03.2024\t08:00:00\t9";
        QTest::newRow("the file gained a row")
            << QList<QByteArray>{r1, f2, "3\t\t\t\t"}
            << Records{base("r.txt", true), row(2, j2), row(3, j3), row(4, "4\t\t\t\t")}
            << QList<QByteArray>{r1, f2, "3\tj\t05.03.2024\t10:02:01\t2",
                                 "4\t\t05.03.2024\t10:04:02\t3", "5\t\t\t\t"};
        QTest::newRow("the file lost a row")
            << QList<QByteArray>{"1\t\t\t\t"} << Records{base("r.txt", true), row(2, j2)}
            << QList<QByteArray>{"1\tj\t05.03.2024\t10:02:01\t2", "2\t\t\t\t"};
        QTest::newRow("the file is gone: the rows alone")
            << QList<QByteArray>{}
            << Records{base("r.txt", true), row(2, j2), row(2, j2 + "x"), row(3, "3\tnext\t\t\t")}
            << QList<QByteArray>{"1\tj\t05.03.2024\t10:02:01\t2x", "2\tnext\t\t\t"};
        QTest::newRow("a label in the file's open row stays in its place")
            << QList<QByteArray>{r1, "2\tfile label\t\t\t"}
            << Records{base("r.txt", true), row(2, j2)}
            << QList<QByteArray>{r1, "2\tfile label\t\t\t", "3\tj\t05.03.2024\t10:02:01\t2",
                                 "4\t\t\t\t"};
        QTest::newRow("rows emptied again are left out")
            << QList<QByteArray>{r1, "2\t\t\t\t"}
            << Records{base("r.txt", true), row(2, "2\tx\t\t\t"), row(2, "2\t\t\t\t")}
            << QList<QByteArray>{r1, "2\t\t\t\t"};
    }
    void appendAfterChangedFile()
    {
        QFETCH(QList<QByteArray>, file);
        QFETCH(Records, records);
        QFETCH(QList<QByteArray>, expected);
        TRowStore t = table(file);
        if (file.isEmpty())
            t.endWithOpenRow();
        QCOMPARE(linesOf(JournalReplay::appendLines(t, JournalReplay::changedLines(records))),
                 expected);
    }

    // Opening says why it failed: another running copy holds the journal, its folder is
    // missing, or something that is not a file stands in its place (which never blocks).
    void openFailures()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Tarvo.journal"));
        TJournal first;
        QVERIFY(first.Open(path));
        TJournal second;
        QVERIFY(!second.Open(path));
        QVERIFY(second.Busy());
        QCOMPARE(second.ErrorString(), Str::JournalHeld);

        TJournal inMissingFolder;
        QVERIFY(!inMissingFolder.Open(dir.filePath(QStringLiteral("no/such/x.journal"))));
        QVERIFY(!inMissingFolder.Busy());
        QVERIFY(!inMissingFolder.ErrorString().isEmpty());

        const QString fifo = dir.filePath(QStringLiteral("fifo.journal"));
        QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0644) == 0);
        // Opened, a FIFO's pipe would fill and then block every write of the window.
        TJournal onFifo;
        QVERIFY(!onFifo.Open(fifo));
        QCOMPARE(onFifo.ErrorString(), Str::NotRegularFile);
        // Nor is a FIFO a results file to stamp: not read, and no hang.
        QVERIFY(!TFileStamp::of(fifo).exists);
    }

    void crcKnownValue()
    {
        // The standard check value of CRC-32.
        QCOMPARE(TJournal::crc32("123456789"), 0xCBF43926u);
    }
};

QTEST_APPLESS_MAIN(TestJournal)
#include "tst_journal.moc"
