#include <QTest>

#include <cmath>
#include <limits>

#include <QSqlDatabase>
#include <QSqlQuery>

#include "archive/HitReading.h"
#include "text/Strings.h"

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

// A search row: id, station, seq, at_ms, model, grp, label, current label, then the values.
QVariantList searchRow(const QVariantList &head, const QVariantList &values)
{
    QVariantList row = head;
    row += values;
    while (row.size() < HitReading::FirstValue + ArchiveLimits::ValueCount)
        row << QVariant();
    return row;
}

} // namespace

// The local archive and the server hand their rows to one reading: the same row read from
// either gives the same hit, and an odd one is bounded alike.
class TestHitReading : public QObject
{
    Q_OBJECT
private slots:
    void rows_data()
    {
        QTest::addColumn<QVariantList>("row");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("group");
        QTest::addColumn<bool>("timeKnown");
        QTest::addColumn<QList<double>>("values"); // NaN: missing

        const double missing = std::numeric_limits<double>::quiet_NaN();
        // SQLite hands integers as qlonglong; PostgreSQL's driver hands them as it likes.
        QTest::newRow("local") << searchRow({qlonglong(7), "st", qlonglong(8), qlonglong(1e12),
                                             "Мирел-2", qlonglong(3), "Проба", QVariant()},
                                            {3.25, QVariant(), 1.5})
                               << "Проба" << 3 << true << QList<double>{3.25, missing, 1.5};
        QTest::newRow("server") << searchRow({7, "st", 8, QString("1000000000000"), "Мирел-2", 3,
                                              "Проба", QVariant()},
                                             {QString("3.25"), QVariant(), 1.5, QVariant()})
                                << "Проба" << 3 << true << QList<double>{3.25, missing, 1.5};
        QTest::newRow("odd") << searchRow({7, "st", 8, qlonglong(9e18), "", qlonglong(1) << 40,
                                           QString(5000, u'м'), "новая"},
                                          {std::nan(""), Inf, "abc", -Inf})
                             << "новая" << 0 << false << QList<double>{missing, Inf, missing, -Inf};
    }
    void rows()
    {
        QFETCH(QVariantList, row);
        QFETCH(QString, label);
        QFETCH(int, group);
        QFETCH(bool, timeKnown);
        QFETCH(QList<double>, values);
        const TArchiveHit hit = HitReading::hit([&row](int c) { return row.value(c); });
        QCOMPARE(hit.id, qint64(7));
        QCOMPARE(hit.seq, qint64(8));
        QCOMPARE(hit.label, label);
        QCOMPARE(hit.edited, !row[HitReading::CurrentLabel].isNull());
        QCOMPARE(hit.result.label.size(),
                 std::min<qsizetype>(row[HitReading::Label].toString().size(), HitReading::MaxText));
        QCOMPARE(hit.result.group, group);
        QCOMPARE(hit.result.at.isValid(), timeKnown);
        QCOMPARE(hit.result.values.size(), size_t(values.size()));
        for (int k = 0; k < values.size(); ++k)
            QCOMPARE(hit.result.values[k].value_or(std::nan("")), values[k]);
    }

    // Cells and the reply are bounded; a result no longer there fails the details with its
    // own words, no longer with an empty message (local) or left without them (server).
    void details()
    {
        TArchiveResult r;
        const QVariantList odd = {QVariant(),
                                  qlonglong(1) << 40,
                                  "d",
                                  "t",
                                  QString(5000, u'\t') + QString(5000, u'x'),
                                  QByteArray(100000, 'r')};
        HitReading::readDetails([&odd](int c) { return odd.value(c); }, r);
        QCOMPARE(r.cells.size(), qsizetype(HitReading::MaxCells));
        QCOMPARE(r.raw.size(), qsizetype(HitReading::MaxRaw));
        QCOMPARE(r.deviceNumber, 0);
        HitReading::readDetails([](int) { return QVariant(); }, r);
        QCOMPARE(r.cells, QStringList{QString()});

        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "hits");
        db.setDatabaseName(":memory:");
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("CREATE TABLE results (id INTEGER, port, device, date_text, time_text, "
                       "cells, raw)"));
        QVERIFY(q.exec("INSERT INTO results VALUES (1, 'ttyS0', 2, 'd', 't', 'a\tb', x'00')"));
        std::vector<TArchiveHit> hits(2);
        hits[0].id = 1;
        hits[1].id = 2;
        hits[1].station = "st";
        hits[1].seq = 9;
        QVERIFY(q.prepare("SELECT port, device, date_text, time_text, cells, raw FROM results "
                          "WHERE id = ?"));
        QString error;
        QVERIFY(!HitReading::loadDetails(q, hits, &error, [](const QSqlQuery &) { return "x"; }));
        QCOMPARE(hits[0].result.cells, QStringList({"a", "b"}));
        QCOMPARE(error, Str::ArchiveHitGone.arg("st", "9"));
        q = QSqlQuery();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("hits");
    }
};

QTEST_GUILESS_MAIN(TestHitReading)
#include "tst_hitreading.moc"
