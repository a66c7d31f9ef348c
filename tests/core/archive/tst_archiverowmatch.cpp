// A row of an opened file finds the archived result it shows, also one still waiting to be
// written: by the instrument, the date and time texts and the cells after the label; of
// several, the newest; never another station's.

#include <QTemporaryDir>
#include <QTest>

#include "archive/TArchive.h"
#include "support/ArchiveSamples.h"

class TestArchiveRowMatch : public QObject
{
    Q_OBJECT
private slots:
    void findsTheResultShown_data()
    {
        QTest::addColumn<int>("of");     // the result whose row is shown
        QTest::addColumn<int>("change"); // 1 a value, 2 the date, 3 a cell fewer, 4 no time
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("found"); // -1: none
        QTest::newRow("matches") << 0 << 0 << Str::ModelTarvo << 0;
        QTest::newRow("a value differs") << 0 << 1 << Str::ModelTarvo << -1;
        QTest::newRow("another date") << 0 << 2 << Str::ModelTarvo << -1;
        QTest::newRow("a cell fewer") << 0 << 3 << Str::ModelTarvo << -1;
        QTest::newRow("the open row") << 0 << 4 << Str::ModelTarvo << -1;
        QTest::newRow("label since changed") << 2 << 0 << Str::ModelTarvo << 2;
        QTest::newRow("two stations: this one's") << 3 << 0 << Str::ModelTarvo << 3;
        QTest::newRow("several: the newest") << 5 << 0 << Str::ModelTarvo << 6;
        QTest::newRow("another model") << 7 << 0 << Str::ModelTarvo << -1;
        QTest::newRow("its model") << 7 << 0 << Str::ModelMirel << 7;
        QTest::newRow("another station's only") << 8 << 0 << Str::ModelTarvo << -1;
        QTest::newRow("still waiting to be written") << 9 << 0 << Str::ModelTarvo << 9;
    }
    void findsTheResultShown()
    {
        QFETCH(int, of);
        QFETCH(int, change);
        QFETCH(QString, model);
        QFETCH(int, found);
        QTemporaryDir dir;
        TArchive archive;
        archive.setBusyTimeout(10);
        QVERIFY(archive.open(dir.path()));
        RawArchive other(archive.path());
        std::vector<std::pair<QString, TArchiveResult>> results = {
            {"here", sampleResult("p1", day(3, 10, 0))},
            {"here", sampleResult("p2", day(3, 10, 0))}, // the same second, another value
            {"here", sampleResult("p3", day(3, 10, 2))},
            {"here", sampleResult("", day(3, 10, 4))},
            {"there", sampleResult("", day(3, 10, 4))}, // newer, of another station
            {"here", sampleResult("", day(3, 10, 6))},
            {"here", sampleResult("", day(3, 10, 6))}, // the same again, newer
            {"here", sampleResult("", day(3, 10, 8), Str::ModelMirel)},
            {"there", sampleResult("", day(3, 10, 9))},
            {"here", sampleResult("", day(3, 10, 10))}, // held back by another's lock
        };
        results[1].second.cells[6] = QStringLiteral("9,99");
        std::vector<QUuid> handles;
        for (const auto &[station, result] : results) {
            if (handles.size() == 9)
                QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
            archive.setStation(station);
            handles.push_back(archive.appendResult(result));
        }
        archive.appendLabelChange({handles[2], 3, "p3", "p3 since", {}, {}, {}});
        QCOMPARE(archive.pendingCount(), 2);
        archive.setStation(QStringLiteral("here"));
        const TArchiveResult &shown = results[size_t(of)].second;
        TArchiveRowKey key{model, shown.dateText, shown.timeText, shown.cells.mid(1)};
        if (change == 1)
            key.cells[5] = QStringLiteral("0,01");
        else if (change == 2)
            key.dateText = QStringLiteral("04.03.2025");
        else if (change == 3)
            key.cells.removeLast();
        else if (change == 4)
            key.timeText.clear();
        QCOMPARE(archive.findResult(key), found < 0 ? QUuid() : handles[size_t(found)]);
        other.exec(QStringLiteral("ROLLBACK"));
    }
};

QTEST_GUILESS_MAIN(TestArchiveRowMatch)
#include "tst_archiverowmatch.moc"
