#include <QTemporaryDir>
#include <QTest>

#include "results/JournalReplay.h"
#include "results/TJournal.h"

using Record = TJournal::Record;
using Records = std::vector<Record>;
Q_DECLARE_METATYPE(Records)

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

static QByteArray sample()
{
    return TJournal::Encode(base(QStringLiteral("/data/Молоко.txt"), true)) +
           TJournal::Encode(row(1, QByteArray("1\t\xcf\xf0\xee\xe1\xe0\t08.12.2026\t10:00:00"))) +
           TJournal::Encode(row(2, QByteArray("2\t\t\t")));
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

class TstJournal : public QObject
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
                                       .size() +
                                   TJournal::Encode(row(1, TJournal::Parse(all)[1].line)).size();
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
            << QList<QByteArray>{"1\t\t\t\t"}
            << Records{base("n.txt", false), row(1, r1)} << QList<QByteArray>{r1, open2} << 1;
        QTest::newRow("a label typed into the open row stays there")
            << QList<QByteArray>{r1, open2}
            << Records{base("f.txt", true), row(2, "2\tnext\t\t\t")}
            << QList<QByteArray>{r1, "2\tnext\t\t\t"} << 1;
        QTest::newRow("records before the last base are spent")
            << QList<QByteArray>{r1, open2}
            << Records{row(1, "1\told\t05.03.2024\t09:00:00\t7"), base("f.txt", true),
                       row(2, r2)}
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

    void crcKnownValue()
    {
        // The standard check value of CRC-32.
        QCOMPARE(TJournal::Crc32("123456789"), 0xCBF43926u);
    }
};

QTEST_APPLESS_MAIN(TstJournal)
#include "tst_journal.moc"
