// The search takes different ways through the archive depending on how often the label part
// occurs and where the time range lies; every way must give the answer a plain look through
// all results gives.

#include <algorithm>

#include <QTemporaryDir>
#include <QTest>

#include "archive/TArchive.h"
#include "archive/TArchiveWriter.h"
#include "support/ArchiveSamples.h"

namespace {

constexpr int kResults = 14000;

struct Kept
{
    QDateTime at;
    QString model;
    QStringList labels; // every label the result had, the current one last
};

} // namespace

class TestArchiveSearchWays : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        {
            TArchive maker;
            QVERIFY(maker.open(m_dir.path()));
        }
        RawArchive raw(m_dir.filePath(TArchive::FileName));
        TArchiveWriter writer(raw.db());
        QSqlError error;
        QVERIFY(writer.prepare(&error));
        QVERIFY(writer.begin(&error));
        const QDateTime start(QDate(2025, 1, 1), QTime(6, 0));
        for (int i = 0; i < kResults; ++i) {
            // Half the labels name one big farm, a few a small one; the rest are numbers.
            QString label = i % 2 ? QStringLiteral("Ферма Большая %1").arg(i % 7)
                            : i % 500 == 0 ? QStringLiteral("Ферма Малая")
                                           : QStringLiteral("Проба %1").arg(i);
            if (i % 97 == 0)
                label = QStringLiteral("щъ %1").arg(i); // a rare two-letter part
            const QString model = i % 3 ? Str::ModelTarvo : Str::ModelMirel;
            Kept k{start.addSecs(qint64(i) * 240), model, {label}};
            const QUuid uid = QUuid::createUuid();
            const TArchiveResult result = sampleResult(label, k.at, k.model);
            QVERIFY(writer.writeResult(QStringLiteral("t"), uid, result, &error));
            if (i % 250 == 3) { // renamed after the fact
                k.labels << QStringLiteral("Переименована %1").arg(i);
                QVERIFY(writer.writeLabelChange(QStringLiteral("t"), QUuid::createUuid(),
                                                {uid, i, label, k.labels.last(), {}, {}, {}},
                                                &error));
            }
            m_kept.push_back(k);
        }
        QVERIFY2(writer.commit(&error), qPrintable(error.text()));
        QVERIFY(m_archive.open(m_dir.path()));
    }

    void everyWayGivesThePlainAnswer_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("fromDay");
        QTest::addColumn<int>("toDay");
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("limit");
        const QStringList parts = {"",   "большая", "малая", "переименована", "проба 1",
                                   "ма", "щъ",      "я",     "кефир"};
        // Days of the roughly 39 the results span; 0 is no bound.
        const QList<std::pair<int, int>> ranges = {{0, 0}, {2, 3}, {1, 30}, {35, 0}, {0, 5}};
        for (const QString &part : parts) {
            for (const auto &[from, to] : ranges) {
                for (const QString &model : {QString(), Str::ModelMirel}) {
                    QTest::addRow("'%s' days %d-%d %s", qPrintable(part), from, to,
                                  model.isEmpty() ? "any" : "Mirel")
                        << part << from << to << model << 300;
                }
            }
        }
        QTest::newRow("all of a big farm") << "большая 3" << 0 << 0 << QString() << 5000;
    }
    void everyWayGivesThePlainAnswer()
    {
        QFETCH(QString, label);
        QFETCH(int, fromDay);
        QFETCH(int, toDay);
        QFETCH(QString, model);
        QFETCH(int, limit);
        const QDateTime base(QDate(2025, 1, 1), QTime(0, 0));
        TArchiveQuery query{label, fromDay ? base.addDays(fromDay) : QDateTime(),
                            toDay ? base.addDays(toDay) : QDateTime(), model, limit};
        // The plain answer: every result, newest first, each label it ever had compared.
        QList<QDateTime> expected;
        for (auto k = m_kept.rbegin(); k != m_kept.rend(); ++k) {
            const bool labelled = std::any_of(k->labels.begin(), k->labels.end(),
                                              [&](const QString &l) {
                                                  return l.contains(label, Qt::CaseInsensitive);
                                              });
            const bool inRange = (!query.from.isValid() || k->at >= query.from)
                                 && (!query.to.isValid() || k->at < query.to);
            if (labelled && inRange && (model.isEmpty() || k->model == model))
                expected << k->at;
        }
        const TArchiveSearchResult found = m_archive.search(query);
        QVERIFY2(found.ok, qPrintable(found.error));
        QList<QDateTime> got;
        for (const TArchiveHit &hit : found.hits)
            got << hit.result.at;
        QCOMPARE(found.truncated, expected.size() > limit);
        QCOMPARE(got, expected.mid(0, limit));
    }

private:
    QTemporaryDir m_dir;
    TArchive m_archive;
    std::vector<Kept> m_kept;
};

QTEST_GUILESS_MAIN(TestArchiveSearchWays)
#include "tst_archivesearchways.moc"
