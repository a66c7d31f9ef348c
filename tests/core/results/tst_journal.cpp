#include <QTemporaryDir>
#include <QTest>

#include "results/TJournal.h"

using Record = TJournal::Record;

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

    void crcKnownValue()
    {
        // The standard check value of CRC-32.
        QCOMPARE(TJournal::Crc32("123456789"), 0xCBF43926u);
    }
};

QTEST_APPLESS_MAIN(TstJournal)
#include "tst_journal.moc"
