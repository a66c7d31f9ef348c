#include <QTemporaryDir>
#include <QTest>

#include "archive/TArchive.h"
#include "support/ArchiveSamples.h"

namespace {

QStringList labels(const TArchiveSearchResult &found)
{
    QStringList out;
    for (const TArchiveHit &hit : found.hits)
        out << hit.label;
    return out;
}

} // namespace

class TestArchiveSearch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_archive.open(m_dir.path()));
        // Oldest first; the search answers newest first.
        const std::pair<const char *, QDateTime> rows[] = {
            {"Проба ЁЛКА-1", day(1, 8)},
            {"ферма Иванова", day(1, 9)},
            {"Молоко сборное", day(2, 8)},
            {"PROBE x", day(2, 23, 59)},
            {"проба 2", day(3, 0)},
            {"Проба \"А\" 50%_б", day(3, 12)},
            {"", day(4, 7)},
            {"Ферма ПЕТРОВА", day(5, 7)},
        };
        for (const auto &[label, at] : rows) {
            const QString text = QString::fromUtf8(label);
            const QString model = text.contains(QStringLiteral("ферма"), Qt::CaseInsensitive)
                                      ? Str::ModelMirel
                                      : Str::ModelTarvo;
            m_ids << m_archive.appendResult(sampleResult(text, at, model));
        }
        // The operator renamed the Petrova sample twice, after its result came.
        const QString file = QStringLiteral("/data/Март.txt");
        m_archive.appendLabelChange({m_ids[7], 8, QStringLiteral("Ферма ПЕТРОВА"),
                                     QStringLiteral("Ферма Петрова-2"), day(5, 8), file,
                                     QStringLiteral("operator")});
        m_archive.appendLabelChange({m_ids[7], 8, QStringLiteral("Ферма Петрова-2"),
                                     QStringLiteral("Ферма Сидорова"), day(5, 9), file,
                                     QStringLiteral("лаборант")});
        QCOMPARE(m_archive.pendingCount(), 0);
    }

    // Any case, Cyrillic included; a part of the label, of any length; every name the label
    // ever had; characters SQL patterns would give a meaning to stand for themselves.
    void byLabel_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<QStringList>("expected");
        const QStringList probes = {QStringLiteral("Проба \"А\" 50%_б"), QStringLiteral("проба 2"),
                                    QStringLiteral("Проба ЁЛКА-1")};
        QTest::newRow("lower finds capitals") << "проба" << probes;
        QTest::newRow("capitals find lower") << "ПРОБА" << probes;
        QTest::newRow("mixed") << "пРоБа 2" << QStringList{"проба 2"};
        QTest::newRow("yo folded") << "ёлка" << QStringList{"Проба ЁЛКА-1"};
        QTest::newRow("inside a word") << "ванов" << QStringList{"ферма Иванова"};
        QTest::newRow("latin") << "probe" << QStringList{"PROBE x"};
        QTest::newRow("two letters") << "ма" << QStringList{"Ферма Сидорова", "ферма Иванова"};
        QTest::newRow("one letter") << "x" << QStringList{"PROBE x"};
        QTest::newRow("a quote") << "\"а\"" << QStringList{"Проба \"А\" 50%_б"};
        QTest::newRow("percent and underscore") << "50%_" << QStringList{"Проба \"А\" 50%_б"};
        QTest::newRow("percent alone") << "%" << QStringList{"Проба \"А\" 50%_б"};
        QTest::newRow("underscore is no wildcard") << "а_б" << QStringList();
        QTest::newRow("index syntax is text") << "ма OR ба" << QStringList();
        QTest::newRow("first name of a renamed label")
            << "петрова" << QStringList{"Ферма Сидорова"};
        QTest::newRow("current name") << "СИДОРОВА" << QStringList{"Ферма Сидорова"};
        QTest::newRow("nothing") << "кефир" << QStringList();
    }
    void byLabel()
    {
        QFETCH(QString, part);
        QFETCH(QStringList, expected);
        TArchiveQuery query;
        query.label = part;
        const TArchiveSearchResult found = m_archive.search(query);
        QVERIFY2(found.ok, qPrintable(found.error));
        QCOMPARE(labels(found), expected);
        QVERIFY(!found.truncated);
    }

    // What a hit carries back: the values as numbers, the missing one empty, the cells with
    // today's label, the edited mark and the label's history.
    void hitCarriesTheResult()
    {
        TArchiveQuery query;
        query.label = QStringLiteral("сидоров");
        TArchiveSearchResult found = m_archive.search(query);
        QCOMPARE(found.hits.size(), size_t(1));
        const TArchiveHit &hit = found.hits[0];
        QVERIFY(hit.edited);
        QCOMPARE(hit.result.label, QStringLiteral("Ферма ПЕТРОВА"));
        QCOMPARE(hit.seq, qint64(8));
        QCOMPARE(hit.station, m_archive.station());
        QCOMPARE(hit.result.model, Str::ModelMirel);
        QCOMPARE(hit.result.at, day(5, 7));
        QCOMPARE(hit.result.values.size(), size_t(12));
        QCOMPARE(hit.result.values[0], std::optional<double>(3.25));
        QVERIFY(!hit.result.values[4].has_value());
        QString error;
        QVERIFY(m_archive.loadDetails(found.hits, &error));
        const TArchiveResult given = sampleResult(QStringLiteral("Ферма ПЕТРОВА"), day(5, 7));
        QCOMPARE(hit.result.raw, given.raw);
        QCOMPARE(hit.result.port, given.port);
        QCOMPARE(hit.result.deviceNumber, given.deviceNumber);
        QCOMPARE(hit.result.dateText, given.dateText);
        QCOMPARE(hit.result.timeText, given.timeText);
        QCOMPARE(hit.rowCells().first(), QStringLiteral("Ферма Сидорова"));
        QCOMPARE(hit.rowCells().mid(1), given.cells.mid(1));

        const auto history = m_archive.labelHistory(hit.id, &error);
        QVERIFY(error.isEmpty());
        QCOMPARE(history.size(), size_t(2));
        QCOMPARE(history[0].oldText, QStringLiteral("Ферма ПЕТРОВА"));
        QCOMPARE(history[0].newText, QStringLiteral("Ферма Петрова-2"));
        QCOMPARE(history[1].newText, QStringLiteral("Ферма Сидорова"));
        QCOMPARE(history[1].osUser, QStringLiteral("лаборант"));
        QCOMPARE(history[1].at, day(5, 9));
        QCOMPARE(history[1].fileName, QStringLiteral("/data/Март.txt"));
        QCOMPARE(history[1].row, 8);

        query.label = QStringLiteral("ёлка");
        const TArchiveHit plain = m_archive.search(query).hits.at(0);
        QVERIFY(!plain.edited);
        QVERIFY(m_archive.labelHistory(plain.id, &error).empty());
    }

    void models()
    {
        const QStringList both = {Str::ModelMirel, Str::ModelTarvo};
        QCOMPARE(m_archive.models(), both);
    }

private:
    QTemporaryDir m_dir;
    TArchive m_archive;
    QList<QUuid> m_ids;
};

QTEST_GUILESS_MAIN(TestArchiveSearch)
#include "tst_archivesearch.moc"
