// The trend's data: the columns section "Trend" chooses, and the points a row of the table
// gives, each judged against its column's limits.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "settings/TIniPlus.h"
#include "table/TRowStore.h"
#include "trend/TrendSeries.h"

namespace {

const QLocale Ru(QLocale::Russian, QLocale::Russia);
constexpr int Cols = 9; // values in columns 5 .. 8

} // namespace

class TestTrendSeries : public QObject
{
    Q_OBJECT
private slots:
    void columns_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QList<int>>("columns");
        QTest::addColumn<int>("notes");
        QTest::newRow("no section") << "[Limits]\r\n6=1;2\r\n" << QList<int>{} << 0;
        QTest::newRow("in the order written") << "[Trend]\r\nColumns=8, 6\r\n"
                                              << QList<int>{8, 6} << 0;
        QTest::newRow("not a value column") << "[Trend]\r\nColumns=4,6,9\r\n" << QList<int>{6} << 2;
        QTest::newRow("twice, and no number") << "[Trend]\r\nColumns=6,6,жир,,\r\n"
                                              << QList<int>{6} << 2;
    }
    void columns()
    {
        QFETCH(QString, ini);
        QFETCH(QList<int>, columns);
        QFETCH(int, notes);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("Tarvo.Ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini.toUtf8());
        file.close();
        QStringList got;
        QCOMPARE(TrendSeries::readColumns(TIniPlus(file.fileName()), 5, Cols - 1, &got), columns);
        QCOMPARE(got.size(), notes);
    }

    // A row's cells "date|time|col 6|col 8" with limits 6 = 2.8..6, 8 = ..1030; the points
    // as "value:verdict" per column (W within, B below, A above, - none), or "no time".
    void rowPoints_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("points");
        QTest::newRow("within") << "09.12.2026|10:15:30|3,52|1028,5"
                                << "3.52:W 1028.5:W";
        QTest::newRow("below and above") << "09.12.2026|10:15:30|2,79|1030,01"
                                         << "2.79:B 1030.01:A";
        QTest::newRow("on the limit is within") << "09.12.2026|10:15:30|2,8|1030"
                                                << "2.8:W 1030:W";
        QTest::newRow("a cell without a number") << "09.12.2026|10:15:30|Ошибка|1028"
                                                 << "- 1028:W";
        QTest::newRow("open row") << "||3,5|1028"
                                  << "no time";
        QTest::newRow("a date typed over") << "вчера|10:15:30|3,5|1028"
                                           << "no time";
    }
    void rowPoints()
    {
        QFETCH(QString, row);
        QFETCH(QString, points);
        const QStringList cells = row.split(u'|');
        TRowStore rows(Cols);
        rows.SetRowCount(1);
        rows.SetCell(2, 0, cells[0]);
        rows.SetCell(3, 0, cells[1]);
        rows.SetCell(6, 0, cells[2]);
        rows.SetCell(8, 0, cells[3]);
        TLimits limits;
        limits.setLimit(6, {2.8, 6});
        limits.setLimit(8, {qQNaN(), 1030});
        TrendSeries series({6, 8}, limits, Ru);
        std::vector<std::optional<TrendPoint>> got;
        if (!series.readRow(rows, 0, &got)) {
            QCOMPARE(QStringLiteral("no time"), points);
            QCOMPARE(series.readAll(rows), (std::vector<std::vector<TrendPoint>>(2)));
            return;
        }
        QStringList shown;
        for (const auto &p : got) {
            if (!p) {
                shown << QStringLiteral("-");
                continue;
            }
            const char v = p->verdict == TVerdict::Below   ? 'B'
                           : p->verdict == TVerdict::Above ? 'A'
                                                           : 'W';
            shown << QString::number(p->value) + u':' + QLatin1Char(v);
            QCOMPARE(p->atMs, QDateTime(QDate(2026, 12, 9), QTime(10, 15, 30)).toMSecsSinceEpoch());
        }
        QCOMPARE(shown.join(u' '), points);
    }
};

QTEST_GUILESS_MAIN(TestTrendSeries)
#include "tst_trendseries.moc"
