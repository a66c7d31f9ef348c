// The charts with real widgets: the Levey-Jennings window's series for a material's controls,
// its files, the trend following new rows, and the "Сервис" items only the settings bring.

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QScatterSeries>

#include "charts/TLeveyJenningsWindow.h"
#include "charts/TTrendChart.h"
#include "charts/TTrendDock.h"
#include "table/TRowStore.h"
#include "text/Strings.h"
#include "widgets/windows/ResultFeed.h"
#include "widgets/windows/WindowTestSupport.h"
#include "windows/ChartLinks.h"
#include "windows/TArchiveLink.h"
#include "windows/TQualityPanel.h"

namespace {

constexpr int TempCol = 5;

// Temperature 20 ± 0.5.
ControlMaterials materials()
{
    ControlMaterial m;
    m.name = QStringLiteral("Молоко А");
    m.prefix = QStringLiteral("КМА");
    m.setTarget(TempCol, {20, 0.5});
    ControlMaterials list;
    list.append(m);
    return list;
}

// Controls an hour apart from 9 December, 22:00.
std::vector<ControlResult> controls(const QList<double> &values)
{
    std::vector<ControlResult> made;
    QDateTime at(QDate(2026, 12, 9), QTime(22, 0));
    for (double v : values) {
        made.push_back({at, {{TempCol, v}}});
        at = at.addSecs(3600);
    }
    return made;
}

// "name:points" of the series with this object name, in the chart's order.
QStringList seriesOf(QChart *chart, const QString &objectName)
{
    QStringList found;
    for (QAbstractSeries *s : chart->series()) {
        if (s->objectName() == objectName)
            found << s->name() + u':' + QString::number(static_cast<QXYSeries *>(s)->count());
    }
    return found;
}

} // namespace

class TestCharts : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT
public:
    TestCharts()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private slots:
    void init() { Prepare(); }
    void cleanup() { Finish(); }

    void leveyJenningsSeries_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<int>("points");
        QTest::addColumn<QStringList>("violations");
        QTest::newRow("in control") << QList<double>{20, 20.2, 19.9} << 3 << QStringList{};
        QTest::newRow("1-2s, then 2-2s")
            << QList<double>{20, 21.2, 21.2} << 3 << QStringList{"1-2s:1", "1-2s 2-2s:1"};
        QTest::newRow("two alike in one series")
            << QList<double>{21.2, 20, 21.2, 19} << 4 << QStringList{"1-2s:2"};
        QTest::newRow("1-3s") << QList<double>{18.4} << 1 << QStringList{"1-2s 1-3s:1"};
    }
    void leveyJenningsSeries()
    {
        QFETCH(QList<double>, values);
        QFETCH(int, points);
        QFETCH(QStringList, violations);
        TLeveyJenningsWindow w(
            materials(), [&](int) { return std::optional(controls(values)); },
            [](int) { return QStringLiteral("Температура"); });
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(seriesOf(w.chart(), "values"),
                 QStringList{QStringLiteral("Контроли:%1").arg(points)});
        QCOMPARE(seriesOf(w.chart(), "violation"), violations);
        for (QAbstractSeries *s : w.chart()->series()) {
            if (s->objectName() == "violation") // each point names its rules
                QCOMPARE(static_cast<QXYSeries *>(s)->pointLabelsFormat(),
                         s->name().section(u':', 0, 0));
        }
        QCOMPARE(seriesOf(w.chart(), "sd3"), QStringList{"±3s:2"});
        QCOMPARE(seriesOf(w.chart(), "sd0"), QStringList{"Целевое значение:2"});
    }

    // The controls run from 22:00 on the 9th into the 10th; the rules stay as judged over all.
    void leveyJenningsPeriod_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("violations");
        QTest::newRow("the first day") << QDate(2026, 12, 9) << QDate(2026, 12, 9)
                                       << QStringList{"Контроли:2"} << QStringList{"1-2s:1"};
        QTest::newRow("the second day") << QDate(2026, 12, 10) << QDate(2026, 12, 10)
                                        << QStringList{"Контроли:2"} << QStringList{"1-2s 2-2s:1"};
        QTest::newRow("no control then") << QDate(2026, 12, 11) << QDate(2026, 12, 12)
                                         << QStringList{"Контроли:0"} << QStringList{};
    }
    void leveyJenningsPeriod()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QStringList, values);
        QFETCH(QStringList, violations);
        TLeveyJenningsWindow w(
            materials(),
            [](int) {
                return std::optional(controls({20, 21.2, 21.2, 20}));
            },
            [](int) { return QStringLiteral("Температура"); });
        w.setPeriod(from, to);
        QCOMPARE(seriesOf(w.chart(), "values"), values);
        QCOMPARE(seriesOf(w.chart(), "violation"), violations);
        w.showAll();
        QCOMPARE(seriesOf(w.chart(), "values"), QStringList{"Контроли:4"});
    }

    void leveyJenningsFiles()
    {
        TLeveyJenningsWindow w(
            materials(),
            [](int) {
                return std::optional(controls({20, 21.2}));
            },
            [](int) { return QStringLiteral("Температура"); });
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QString pdf = path(QStringLiteral("карта.pdf"));
        const QString png = path(QStringLiteral("карта.png"));
        QVERIFY(w.savePdf(pdf));
        QVERIFY(w.savePng(png));
        QVERIFY(getFile(pdf).startsWith("%PDF-"));
        QCOMPARE(QImage(png).size(), w.view()->size() * w.view()->devicePixelRatio());
        // A file that cannot be written is told as such.
        QVERIFY(!w.savePdf(path(QStringLiteral("нет/карта.pdf"))));
        QVERIFY(!w.savePng(path(QStringLiteral("нет/карта.png"))));
    }

    void leveyJenningsUnread()
    {
        TLeveyJenningsWindow w(
            materials(), [](int) { return std::optional<std::vector<ControlResult>>(); },
            [](int) { return QStringLiteral("Температура"); });
        w.show();
        QCOMPARE(seriesOf(w.chart(), "values"), QStringList{"Контроли:0"});
        QVERIFY(w.findChild<QLabel *>(QStringLiteral("ljNote"))->isVisible());
    }

    // Only the settings bring the items; the menu keeps its own ones in front.
    void menuItems_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QStringList>("added");
        QTest::newRow("none") << "[Limits]\r\n5=;21\r\n" << QStringList{};
        QTest::newRow("material without prefix") << "[Control]\r\n1.Name=А\r\n1.5=20;1\r\n"
                                                 << QStringList{};
        QTest::newRow("a material")
            << "[Control]\r\n1.Name=Молоко А\r\n1.Prefix=КМА\r\n1.5=20;0.5\r\n"
            << QStringList{"Контроль", "Действие по контролю…", "Карта Леви-Дженнингса…"};
        QTest::newRow("no trend column") << "[Trend]\r\nColumns=3\r\n" << QStringList{};
        QTest::newRow("trend and material")
            << "[Trend]\r\nColumns=5\r\n[Control]\r\n1.Name=А\r\n1.Prefix=КМА\r\n1.5=20;0.5\r\n"
            << QStringList{"Контроль", "Действие по контролю…", "Карта Леви-Дженнингса…",
                           "Тренд результатов"};
    }
    void menuItems()
    {
        QFETCH(QString, ini);
        QFETCH(QStringList, added);
        const auto texts = [](TForm2 &w) {
            QStringList t;
            for (QAction *a : w.qualityPanel->serviceMenu()->actions())
                t << a->text();
            return t;
        };
        const QStringList plain = texts(*window());
        writeIni(ini);
        auto w = window();
        QCOMPARE(texts(*w), plain + added);
        QCOMPARE(w->Charts() != nullptr,
                 added.contains(QStringLiteral("Карта Леви-Дженнингса…"))
                     || added.contains(QStringLiteral("Тренд результатов")));
    }

    // Rows "time=temperature" in the table, then one result more; limit 19.5 .. 21.
    void trendFollows_data()
    {
        QTest::addColumn<QList<double>>("before");
        QTest::addColumn<double>("added");
        QTest::addColumn<QList<int>>("counts"); // values, below, above after the result
        QTest::newRow("empty table, within") << QList<double>{} << 20.0 << QList<int>{1, 0, 0};
        QTest::newRow("after others, above")
            << QList<double>{20, 19} << 22.0 << QList<int>{3, 1, 1};
        QTest::newRow("below") << QList<double>{21.5} << 19.0 << QList<int>{2, 1, 1};
    }
    void trendFollows()
    {
        QFETCH(QList<double>, before);
        QFETCH(double, added);
        QFETCH(QList<int>, counts);
        writeIni("[Limits]\r\n5=19.5;21\r\n[Trend]\r\nColumns=5\r\n");
        auto w = window();
        w->show();
        for (double v : before) {
            feedResult(*w, v);
            m_clock.now = m_clock.now.addSecs(600);
        }
        w->Charts()->trendAction()->trigger();
        TTrendDock *dock = w->Charts()->trend();
        QVERIFY(dock && dock->isVisible());
        QCOMPARE(dock->chartCount(), 1);
        TTrendChart *chart = dock->chart(0);
        QCOMPARE(chart->values()->count(), int(before.size()));
        const QPointF last = chart->values()->count() ? chart->values()->points().last()
                                                      : QPointF();
        feedResult(*w, added);
        QCOMPARE(QList<int>(
                     {chart->values()->count(), chart->below()->count(), chart->above()->count()}),
                 counts);
        QCOMPARE(chart->values()->points().last().y(), added);
        if (!before.isEmpty()) // the series was added to, not drawn anew
            QCOMPARE(chart->values()->points()[before.size() - 1], last);
    }
};

QTEST_MAIN(TestCharts)
#include "tst_charts.moc"
