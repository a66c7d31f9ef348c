// The Levey-Jennings chart's data: which controls become points of a column, and which rule
// names each point carries, judged against the points before it (the window's period keeps
// them so: tests/widgets/charts).

#include <QTest>

#include "qc/LeveyJennings.h"

namespace {

constexpr int FatCol = 6;
constexpr int ProteinCol = 8;

// Fat 3.52 ± 0.03; protein has no target.
ControlMaterial material()
{
    ControlMaterial m;
    m.name = QStringLiteral("Молоко А");
    m.prefix = QStringLiteral("КМА");
    m.setTarget(FatCol, {3.52, 0.03});
    return m;
}

// "3.59" a control with that value in `col`; "-" a control with no value there. Ten minutes
// apart from 10:00.
std::vector<ControlResult> controls(const QStringList &entries, int col)
{
    std::vector<ControlResult> made;
    QDateTime at(QDate(2026, 12, 9), QTime(10, 0));
    for (const QString &e : entries) {
        ControlResult c;
        c.at = at;
        if (e != u'-')
            c.values.insert(col, e.toDouble());
        c.values.insert(5, 20.0); // another column's value never shows
        made.push_back(c);
        at = at.addSecs(600);
    }
    return made;
}

} // namespace

class TestLeveyJennings : public QObject
{
    Q_OBJECT
private slots:
    // The rules of each point, "." for none, "|" between points.
    void rulesPerPoint_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("rules");
        QTest::newRow("none") << QStringList{} << FatCol << "";
        QTest::newRow("one in control") << QStringList{"3.53"} << FatCol << ".";
        QTest::newRow("exactly 2 SD is none") << QStringList{"3.58"} << FatCol << ".";
        QTest::newRow("1-2s then 2-2s")
            << QStringList{"3.52", "3.59", "3.59"} << FatCol << ".|1-2s|1-2s 2-2s";
        QTest::newRow("1-3s alone") << QStringList{"3.62"} << FatCol << "1-2s 1-3s";
        QTest::newRow("R-4s across") << QStringList{"3.45", "3.59"} << FatCol << "1-2s|1-2s R-4s";
        QTest::newRow("a control without the value is passed over")
            << QStringList{"3.59", "-", "3.59"} << FatCol << "1-2s|1-2s 2-2s";
        QTest::newRow("4-1s on the fourth")
            << QStringList{"3.56", "3.56", "3.56", "3.56"} << FatCol << ".|.|.|4-1s";
        QTest::newRow("no target: points, no rules")
            << QStringList{"3.2", "9.9"} << ProteinCol << ".|.";
    }
    void rulesPerPoint()
    {
        QFETCH(QStringList, values);
        QFETCH(int, col);
        QFETCH(QString, rules);
        const LeveyJenningsChart chart = LeveyJennings::chart(material(), controls(values, col),
                                                              col);
        QStringList got;
        for (const LeveyJenningsPoint &p : chart.points)
            got << (p.rules.isEmpty() ? QStringLiteral(".") : p.rules.join(u' '));
        QCOMPARE(got.join(u'|'), rules);
        QCOMPARE(chart.hasTarget(), col == FatCol);
    }
};

QTEST_GUILESS_MAIN(TestLeveyJennings)
#include "tst_leveyjennings.moc"
