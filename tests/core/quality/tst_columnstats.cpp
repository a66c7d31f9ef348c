#include <QTest>

#include <cmath>
#include <random>

#include "quality/StatsText.h"
#include "quality/TColumnStats.h"
#include "table/TRowStore.h"

namespace {

const QLocale Ru(QLocale::Russian, QLocale::Russia);
constexpr int Cols = 8; // values in columns 5, 6, 7

// Two passes over the cells, the plain way.
TStat naive(const TRowStore &rows, int col, const TCellNumber &reader, int first = 0,
            int last = -1)
{
    if (last < 0)
        last = rows.RowCount() - 1;
    std::vector<double> v;
    for (int r = first; r <= last; ++r) {
        if (const auto x = reader.read(rows.CellBytes(col, r)))
            v.push_back(*x);
    }
    TStat s;
    s.count = qint64(v.size());
    if (v.empty())
        return s;
    double sum = 0;
    s.min = s.max = v[0];
    for (double x : v) {
        sum += x;
        s.min = std::min(s.min, x);
        s.max = std::max(s.max, x);
    }
    s.mean = sum / double(v.size());
    if (v.size() >= 2) {
        double squares = 0;
        for (double x : v)
            squares += (x - s.mean) * (x - s.mean);
        s.sd = std::sqrt(squares / double(v.size() - 1));
    }
    return s;
}

bool same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(b));
}

QString sameStat(const TStat &got, const TStat &want)
{
    if (got.count == want.count && same(got.mean, want.mean) && same(got.min, want.min)
        && same(got.max, want.max) && same(got.sd, want.sd))
        return {};
    return QStringLiteral("got n=%1 mean=%2 min=%3 max=%4 sd=%5, want n=%6 mean=%7 min=%8 "
                          "max=%9 sd=%10")
        .arg(got.count).arg(got.mean, 0, 'g', 17).arg(got.min).arg(got.max)
        .arg(got.sd, 0, 'g', 17).arg(want.count).arg(want.mean, 0, 'g', 17).arg(want.min)
        .arg(want.max).arg(want.sd, 0, 'g', 17);
}

#define COMPARE_STAT(got, want)                                                               \
    do {                                                                                      \
        const QString why = sameStat(got, want);                                              \
        QVERIFY2(why.isEmpty(), qPrintable(why));                                             \
    } while (false)

QString cellText(std::mt19937 &rng)
{
    switch (rng() % 8) {
    case 0:
        return {}; // an empty cell
    case 1:
        return QStringLiteral("Проба"); // a label where a value belongs
    default:
        // Density-like values: large, close together.
        return Ru.toString(1026.0 + (rng() % 800) / 100.0, 'f', 2);
    }
}

} // namespace

class TstColumnStats : public QObject
{
    Q_OBJECT

private slots:
    void smallTable()
    {
        TRowStore rows(Cols);
        rows.SetRowCount(5);
        const char *fat[] = {"3,50", "4,00", "Проба", "", "2,50"};
        const char *water[] = {"0,00", "3,88", "0,00", "0,00", "1,00"};
        for (int r = 0; r < 5; ++r) {
            rows.SetCell(5, r, QString::fromUtf8(fat[r]));
            rows.SetCell(6, r, QString::fromUtf8(water[r]));
        }
        rows.SetCell(7, 2, QStringLiteral("7,00")); // one value alone
        TColumnStats stats{TCellNumber(Ru)};
        stats.setShape(5, Cols);
        TLimits limits;
        TLimit water0;
        water0.max = 0;
        limits.setLimit(6, water0);
        stats.setLimits(limits);
        stats.rebuild(rows);

        const std::vector<TStat> t = stats.totals();
        QCOMPARE(t.size(), size_t(3));
        QCOMPARE(t[0].count, 3);
        QCOMPARE(t[0].mean, 10.0 / 3);
        QCOMPARE(t[0].min, 2.5);
        QCOMPARE(t[0].max, 4.0);
        QCOMPARE(t[0].sd, std::sqrt((std::pow(3.5 - 10.0 / 3, 2) + std::pow(4 - 10.0 / 3, 2)
                                     + std::pow(2.5 - 10.0 / 3, 2)) / 2));
        QCOMPARE(t[1].outside, 2);
        QCOMPARE(t[0].outside, 0);
        QCOMPARE(t[2].count, 1);
        QVERIFY(std::isnan(t[2].sd)); // one value has no deviation

        // As the bar and the clipboard show it.
        const auto cell = [&](TStatLine line, int k, bool limited) {
            return StatsText::cell(line, t[k], limited, Ru);
        };
        QCOMPARE(cell(TStatLine::Mean, 0, false), QStringLiteral("3,33"));
        QCOMPARE(cell(TStatLine::Sd, 0, false), QStringLiteral("0,76"));
        QCOMPARE(cell(TStatLine::Max, 1, true), QStringLiteral("3,88"));
        QCOMPARE(cell(TStatLine::Outside, 1, true), QStringLiteral("2"));
        QCOMPARE(cell(TStatLine::Outside, 0, false), QString());
        QCOMPARE(cell(TStatLine::Sd, 2, false), QString());
        QCOMPARE(StatsText::tsv({{QStringLiteral("Жир"), t[0], false},
                                 {QStringLiteral("Доб.\tвода"), t[1], true}},
                                true, false, Ru),
                 QStringLiteral("\tЖир\tДоб. вода\n"
                                "Число (все)\t3\t5\n"
                                "Среднее\t3,33\t0,98\n"
                                "Минимум\t2,50\t0,00\n"
                                "Максимум\t4,00\t3,88\n"
                                "СКО\t0,76\t1,68\n"
                                "Вне нормы\t\t2\n"));

        // Limits changed afterwards are counted again from what was read.
        stats.setLimits({});
        QCOMPARE(stats.totals()[1].outside, 0);
        stats.setLimits(limits);
        QCOMPARE(stats.totals()[1].outside, 2);
    }

    // Appends, changes and removals in any order end where reading the table afresh ends.
    void incrementalMatchesRebuild_data()
    {
        QTest::addColumn<unsigned>("start");
        for (unsigned s : {1u, 2u, 3u, 4u, 5u})
            QTest::newRow(qPrintable(QString::number(s))) << s;
    }
    void incrementalMatchesRebuild()
    {
        QFETCH(unsigned, start);
        std::mt19937 rng(start);
        const TCellNumber reader(Ru);
        TRowStore rows(Cols);
        TColumnStats stats{reader};
        stats.setShape(5, Cols);
        stats.rebuild(rows);
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
        QVERIFY(rows.RowCount() > 10);
        const std::vector<TStat> t = stats.totals();
        for (int k = 0; k < 3; ++k)
            COMPARE_STAT(t[k], naive(rows, 5 + k, reader));
    }

    void removingTheExtremes()
    {
        TRowStore rows(Cols);
        rows.SetRowCount(4);
        const char *v[] = {"5,00", "1,00", "9,00", "4,00"};
        for (int r = 0; r < 4; ++r)
            rows.SetCell(5, r, QString::fromLatin1(v[r]));
        TColumnStats stats{TCellNumber(Ru)};
        stats.setShape(5, Cols);
        stats.rebuild(rows);
        rows.SetCell(5, 2, QStringLiteral("6,00")); // the maximum falls
        stats.rowsChanged(rows, 2, 2);
        QCOMPARE(stats.totals()[0].max, 6.0);
        rows.SetCell(5, 1, QString()); // the minimum goes
        stats.rowsChanged(rows, 1, 1);
        QCOMPARE(stats.totals()[0].min, 4.0);
        rows.SetRowCount(0);
        stats.rowsRemoved(rows, 0, 3);
        QCOMPARE(stats.totals()[0].count, 0);
        QVERIFY(std::isnan(stats.totals()[0].mean));
    }

    void selectedRows()
    {
        std::mt19937 rng(7);
        const TCellNumber reader(Ru);
        TRowStore rows(Cols);
        rows.SetRowCount(50);
        for (int r = 0; r < 50; ++r) {
            for (int c = 5; c < Cols; ++c)
                rows.SetCell(c, r, cellText(rng));
        }
        TColumnStats stats{reader};
        stats.setShape(5, Cols);
        stats.rebuild(rows);
        // Overlapping and unordered ranges count each row once; rows past the end are none.
        const std::vector<TStat> s = stats.forRows({{30, 60}, {10, 19}, {15, 24}});
        TRowStore picked(Cols);
        for (int r = 10; r <= 24; ++r)
            picked.AppendLine(rows.Line(r));
        for (int r = 30; r < 50; ++r)
            picked.AppendLine(rows.Line(r));
        for (int k = 0; k < 3; ++k)
            COMPARE_STAT(s[k], naive(picked, 5 + k, reader));
        QCOMPARE(stats.forRows({})[0].count, 0);
    }

    // Values far from zero with a small spread: the deviation must not drown in rounding.
    void deviationOfCloseLargeValues()
    {
        TRowStore rows(Cols);
        const int n = 100000;
        rows.SetRowCount(n);
        for (int r = 0; r < n; ++r)
            rows.SetCell(5, r, r % 2 ? QStringLiteral("100000028,02")
                                     : QStringLiteral("100000028,00"));
        TColumnStats stats{TCellNumber(Ru)};
        stats.setShape(5, Cols);
        stats.rebuild(rows);
        const TStat t = stats.totals()[0];
        QCOMPARE(StatsText::cell(TStatLine::Sd, t, false, Ru), QStringLiteral("0,01"));
        QVERIFY2(std::abs(t.sd - 0.01000005) < 1e-6, qPrintable(QString::number(t.sd)));
        QVERIFY(std::abs(t.mean - 100000028.01) < 1e-6);
    }
};

QTEST_GUILESS_MAIN(TstColumnStats)
#include "tst_columnstats.moc"
