#include <QTest>

#include <cmath>
#include <numeric>
#include <random>

#include "quality/StatsText.h"
#include "quality/TColumnStats.h"
#include "table/TRowStore.h"

namespace {

const QLocale Ru(QLocale::Russian, QLocale::Russia);
constexpr int Cols = 8; // values in columns 5, 6, 7

// The plain way, two passes over the cells; "" when got agrees, else what differs.
QString differs(const TStat &got, const TRowStore &rows, int col, const TCellNumber &reader)
{
    std::vector<double> v;
    for (int r = 0; r < rows.RowCount(); ++r) {
        if (const auto x = reader.read(rows.CellBytes(col, r)))
            v.push_back(*x);
    }
    const double n = double(v.size());
    const double mean = std::accumulate(v.begin(), v.end(), 0.0) / n;
    double squares = 0;
    for (double x : v)
        squares += (x - mean) * (x - mean);
    const double sd = std::sqrt(squares / (n - 1));
    const auto [min, max] = std::minmax_element(v.begin(), v.end());
    if (n < 2 || got.count != qint64(n) || std::abs(got.mean - mean) > 1e-9 * mean
        || got.min != *min || got.max != *max || std::abs(got.sd - sd) > 1e-9 * sd)
        return QStringLiteral("n %1/%2 sd %3/%4").arg(got.count).arg(n).arg(got.sd).arg(sd);
    return {};
}

QString cellText(std::mt19937 &rng)
{
    switch (rng() % 8) {
    case 0:
        return {};
    case 1:
        return QStringLiteral("Проба"); // a label where a value belongs
    default:
        // Density: large values close together.
        return QString::number(1026.0 + (rng() % 800) / 100.0, 'f', 2).replace(u'.', u',');
    }
}

} // namespace

class TestColumnStats : public QObject
{
    Q_OBJECT

private slots:
    void smallTableAsShownAndCopied()
    {
        TRowStore rows(Cols);
        rows.SetRowCount(5);
        const char *cells[][3] = {{"3,50", "0,00", ""},
                                  {"4,00", "3,88", ""},
                                  {"Проба", "0,00", "7"},
                                  {"", "0,00", ""},
                                  {"2,50", "1,00", ""}};
        for (int r = 0; r < 5; ++r) {
            for (int k = 0; k < 3; ++k)
                rows.SetCell(5 + k, r, QString::fromUtf8(cells[r][k]));
        }
        TColumnStats stats{TCellNumber(Ru)};
        stats.setShape(5, Cols);
        stats.rebuild(rows);
        TLimits limits;
        limits.setLimit(6, TLimit{std::numeric_limits<double>::quiet_NaN(), 0});
        stats.setLimits(limits); // limits that come later are counted from what was read

        const std::vector<TStat> t = stats.totals();
        QCOMPARE(t[0].count, 3);
        QCOMPARE(t[1].outside, 2);
        QCOMPARE(t[2].count, 1);
        QVERIFY(std::isnan(t[2].sd)); // one value has no deviation
        QCOMPARE(StatsText::tsv({{QStringLiteral("Жир"), t[0], false},
                                 {QStringLiteral("Доб.\tвода"), t[1], true},
                                 {QStringLiteral("pH"), t[2], false}},
                                true, false, Ru),
                 QStringLiteral("\tЖир\tДоб. вода\tpH\n"
                                "Число (все)\t3\t5\t1\n"
                                "Среднее\t3,33\t0,98\t7,00\n"
                                "Минимум\t2,50\t0,00\t7,00\n"
                                "Максимум\t4,00\t3,88\t7,00\n"
                                "СКО\t0,76\t1,68\t\n"
                                "Вне нормы\t\t2\t\n"));
    }

    // Appends, changes and removals in any order end where reading the table afresh
    // ends, the extremes included when the rows that held them change or go.
    void followsChangesAsARecountWould_data()
    {
        QTest::addColumn<unsigned>("start");
        for (unsigned s : {1u, 2u, 3u, 4u})
            QTest::newRow(qPrintable(QString::number(s))) << s;
    }
    void followsChangesAsARecountWould()
    {
        QFETCH(unsigned, start);
        std::mt19937 rng(start);
        const TCellNumber reader(Ru);
        TRowStore rows(Cols);
        TColumnStats stats{reader};
        stats.setShape(5, Cols);
        for (int step = 0; step < 600; ++step) {
            const unsigned what = rng() % 10;
            if (what < 5 || rows.RowCount() == 0) {
                rows.AppendRow();
                const int r = rows.RowCount() - 1;
                for (int c = 5; c < Cols; ++c)
                    rows.SetCell(c, r, cellText(rng));
                stats.rowsInserted(rows, r, r);
            } else if (what < 8) {
                const int r = int(rng() % rows.RowCount());
                rows.SetCell(5 + int(rng() % 3), r, cellText(rng));
                stats.rowsChanged(rows, r, r);
            } else {
                const int n = 1 + int(rng() % qMin(3, rows.RowCount()));
                rows.SetRowCount(rows.RowCount() - n);
                stats.rowsRemoved(rows, rows.RowCount(), rows.RowCount() + n - 1);
            }
        }
        QVERIFY2(rows.RowCount() > 40, qPrintable(QString::number(rows.RowCount())));
        const std::vector<TStat> t = stats.totals();
        for (int k = 0; k < 3; ++k) {
            const QString why = differs(t[k], rows, 5 + k, reader);
            QVERIFY2(why.isEmpty(), qPrintable(why));
        }
        // Selected rows, overlapping and out of order, each counted once.
        const std::vector<TStat> s = stats.forRows({{30, 10000}, {10, 19}, {15, 24}});
        TRowStore picked(Cols);
        for (int r = 10; r < rows.RowCount(); ++r) {
            if (r < 25 || r >= 30)
                picked.AppendLine(rows.Line(r));
        }
        const QString why = differs(s[0], picked, 5, reader);
        QVERIFY2(why.isEmpty(), qPrintable(why));
    }

    // Values far from zero with a small spread: the deviation must not drown in rounding.
    void deviationOfCloseLargeValues()
    {
        TRowStore rows(Cols);
        rows.SetRowCount(100000);
        for (int r = 0; r < rows.RowCount(); ++r)
            rows.SetCell(5, r,
                         r % 2 ? QStringLiteral("100000028,02") : QStringLiteral("100000028,00"));
        TColumnStats stats{TCellNumber(Ru)};
        stats.setShape(5, Cols);
        stats.rebuild(rows);
        const TStat t = stats.totals()[0];
        QVERIFY2(std::abs(t.sd - 0.01000005) < 1e-6, qPrintable(QString::number(t.sd)));
        QCOMPARE(StatsText::cell(TStatLine::Sd, t, false, Ru), QStringLiteral("0,01"));
    }
};

QTEST_GUILESS_MAIN(TestColumnStats)
#include "tst_columnstats.moc"
