#include <memory>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

#include "archive/ArchiveViews.h"
#include "archive/TArchive.h"
#include "archive/ValueNames.h"
#include "server/TServerReplicator.h"
#include "support/ArchiveSamples.h"
#include "support/PgCluster.h"

// The archive's named-column views, locally and on the server, answering the README's own
// queries: values as shown (no float32 noise), the label as it stands now, the limits'
// verdicts, one family per view.
class TestArchiveViews : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TArchive> m_archive;

    static QDateTime moscow(int day, int hour, int minute)
    {
        return QDateTime(QDate(2026, 12, day), QTime(hour, minute), Qt::OffsetFromUTC, 3 * 3600);
    }
    // A first-family result as the instrument sends values: single precision.
    static TArchiveResult result(const QString &label, const QDateTime &at, float fat,
                                 float protein, bool fatOut, const QString &model)
    {
        TArchiveResult r = sampleResult(label, at, model);
        r.values[1] = double(fat);
        r.values[4] = double(protein);
        r.cells[4 + 1] = QString::number(fat, 'f', 2).replace('.', ',');
        r.limitsChecked = 0b10; // fat had a limit
        r.limitsOutside = fatOut ? 0b10 : 0;
        return r;
    }
    // The README's query that starts with "-- <where>: <what>".
    static QString readmeQuery(const QString &heading)
    {
        QFile readme(QStringLiteral(REG01_SOURCE_DIR "/README.md"));
        if (!readme.open(QIODevice::ReadOnly))
            return QString();
        const QString text = QString::fromUtf8(readme.readAll());
        const qsizetype at = text.indexOf("-- " + heading + "\n");
        return at < 0 ? QString() : text.mid(at, text.indexOf("```", at) - at);
    }
    QString localAnswer(const QString &sql)
    {
        RawArchive raw(m_archive->path());
        QSqlQuery q(raw.db());
        if (!q.exec(sql))
            return "error: " + q.lastError().text();
        QStringList rows;
        while (q.next()) {
            QStringList cells;
            for (int c = 0; c < q.record().count(); ++c)
                cells << q.value(c).toString();
            rows << cells.join('|');
        }
        return rows.join('\n');
    }

private slots:
    void initTestCase()
    {
        m_archive = std::make_unique<TArchive>();
        m_archive->setStation("line-1");
        QVERIFY(m_archive->open(m_dir.path()));
        const QString tarvo = Str::ModelTarvo;
        m_archive->appendResult(result("Иванов А.П.", moscow(9, 8, 5), 5.19f, 3.1f, false, tarvo));
        m_archive->appendResult(result("Иванов А.П.", moscow(9, 8, 40), 3.61f, 3.26f, false, tarvo));
        const QUuid renamed = m_archive->appendResult(
            result("Иванов", moscow(9, 9, 15), 6.35f, 3.4f, true, tarvo));
        m_archive->appendResult(result("Петров", moscow(9, 9, 30), 4.01f, 3.0f, false, tarvo));
        // Outside the day, and another family's result on the day.
        m_archive->appendResult(result("Иванов А.П.", moscow(10, 7, 0), 4.0f, 3.0f, false, tarvo));
        m_archive->appendResult(
            result("Иванов А.П.", moscow(9, 10, 0), 9.99f, 9.9f, false, Str::ModelMirel));
        TArchiveLabelChange change;
        change.result = renamed;
        change.row = 3;
        change.oldText = "Иванов";
        change.newText = "Иванов А.П.";
        change.at = moscow(9, 11, 0);
        m_archive->appendLabelChange(change);
        QCOMPARE(m_archive->pendingCount(), 0);
        QVERIFY(ArchiveViews::ensureAt(m_archive->path(), ArchiveViews::tarvo()));
        QVERIFY(ArchiveViews::ensureAt(m_archive->path(), ArchiveViews::mirel({"Жир"})));
    }

    void names_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("known, any case and spacing")
            << QStringList{"Жир", "т. замерзания", "Доб.вода", "СОМО", "Сомат.клетки"}
            << QStringList{"fat", "freezing_point", "added_water", "snf", "somatic_cells"};
        QTest::newRow("unknown: Latin letters, one underscore")
            << QStringList{"Вязкость", "Цвет  (балл)", "1-й показатель"}
            << QStringList{"vyazkost", "tsvet_ball", "c_1_y_pokazatel"};
        QTest::newRow("empty, twice, or a view's own column")
            << QStringList{"", "Жир", "Жир", "label", "..."}
            << QStringList{"v0", "fat", "fat_2", "label_3", "v4"};
    }
    void names()
    {
        QFETCH(QStringList, titles);
        QFETCH(QStringList, names);
        QCOMPARE(ValueNames::forTitles(titles), names);
    }

    // The day, the supplier's month by the current label and the hourly means; the renamed
    // sample counts for its new label, the other family's and the next day's results do not.
    void queries_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("server");
        QTest::newRow("day") << "a day's results"
                             << "2026-12-09T08:05:00.000+03:00|line-1|Иванов А.П.|5.19|5.25|"
                                "6.25|3.1|8.25|13.25|1\n"
                                "2026-12-09T08:40:00.000+03:00|line-1|Иванов А.П.|3.61|5.25|"
                                "6.25|3.26|8.25|13.25|1\n"
                                "2026-12-09T09:15:00.000+03:00|line-1|Иванов А.П.|6.35|5.25|"
                                "6.25|3.4|8.25|13.25|0\n"
                                "2026-12-09T09:30:00.000+03:00|line-1|Петров|4.01|5.25|"
                                "6.25|3|8.25|13.25|1"
                             << "2026-12-09 08:05:00+03|line-1|Иванов А.П.|5.19|5.25|"
                                "6.25|3.10|8.25|13.25|t\n"
                                "2026-12-09 08:40:00+03|line-1|Иванов А.П.|3.61|5.25|"
                                "6.25|3.26|8.25|13.25|t\n"
                                "2026-12-09 09:15:00+03|line-1|Иванов А.П.|6.35|5.25|"
                                "6.25|3.40|8.25|13.25|f\n"
                                "2026-12-09 09:30:00+03|line-1|Петров|4.01|5.25|"
                                "6.25|3.00|8.25|13.25|t";
        QTest::newRow("month") << "a supplier's month"
                               << "Иванов А.П.|4|4.79|3.19|1"
                               << "Иванов А.П.|4|4.79|3.19|1";
        QTest::newRow("hourly") << "hourly means"
                                << "2026-12-09T08:00|2|4.4|3.18\n2026-12-09T09:00|2|5.18|3.2"
                                << "2026-12-09 08:00:00+03|2|4.40|3.18\n"
                                   "2026-12-09 09:00:00+03|2|5.18|3.20";
    }
    void queries()
    {
        QFETCH(QString, heading);
        QFETCH(QString, local);
        QFETCH(QString, server);
        const QString here = readmeQuery("local: " + heading);
        QVERIFY2(!here.isEmpty(), qPrintable(heading));
        QCOMPARE(localAnswer(here), local);

        static std::unique_ptr<PgCluster> pg;
        if (!pg) {
            pg = std::make_unique<PgCluster>();
            if (!pg->available())
                QSKIP("PostgreSQL is not installed (scripts/install-deps.sh)");
            QVERIFY2(pg->start(), qPrintable(pg->error()));
            qputenv("PGPASSFILE", pg->passFile().toLocal8Bit());
            ServerLink::Limits quick;
            quick.idleMs = 50;
            TServerReplicator rep(m_archive->path(), pg->connectionString(), quick);
            QTRY_VERIFY_WITH_TIMEOUT(rep.synchronized(), 20000);
        }
        const QString there = readmeQuery("server: " + heading);
        QVERIFY2(!there.isEmpty(), qPrintable(heading));
        QString out;
        qputenv("PGTZ", "Europe/Moscow");
        QVERIFY2(pg->psql(there, &out), qPrintable(pg->error()));
        QCOMPARE(out.trimmed(), server);
    }

    // A value is found by the number the table shows, and the second family has its view.
    void shownValuesMatch()
    {
        QCOMPARE(localAnswer("SELECT count(*) FROM tarvo_results WHERE fat = 5.19"), "1");
        // The second family's fat is its first value.
        QCOMPARE(localAnswer("SELECT label, fat FROM mirel_results"), "Иванов А.П.|3.25");
        // A window without titles keeps the names the view had.
        QVERIFY(ArchiveViews::ensureAt(m_archive->path(), ArchiveViews::mirel({})));
        QCOMPARE(localAnswer("SELECT fat FROM mirel_results"), "3.25");
    }
};

QTEST_GUILESS_MAIN(TestArchiveViews)
#include "tst_archiveviews.moc"
