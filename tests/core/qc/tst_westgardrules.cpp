#include <QTest>

#include <vector>

#include "qc/WestgardRules.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
const ControlTarget Unit{0, 1}; // values are their own z

QList<double> times(int n, double z)
{
    return QList<double>(n, z);
}

} // namespace

Q_DECLARE_METATYPE(ControlTarget)

class TestWestgardRules : public QObject
{
    Q_OBJECT

private slots:
    void judge_data()
    {
        QTest::addColumn<QList<double>>("earlier"); // oldest first
        QTest::addColumn<double>("value");
        QTest::addColumn<ControlTarget>("target");
        QTest::addColumn<QString>("rules");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QString>("named");
        const int none = int(QcVerdict::NotJudged);
        const int ok = int(QcVerdict::InControl);
        const int warn = int(QcVerdict::Warning);
        const int reject = int(QcVerdict::Rejection);
        const ControlTarget fat{3.52, 0.03};
        const ControlTarget density{1028.5, 0.3};

        QTest::newRow("in control") << QList<double>{} << 0.5 << Unit << "" << ok << "";
        QTest::newRow("exactly +2 SD") << QList<double>{} << 2.0 << Unit << "" << ok << "";
        QTest::newRow("exactly -2 SD") << QList<double>{} << -2.0 << Unit << "" << ok << "";
        QTest::newRow("just beyond 2 SD")
            << QList<double>{} << 2.001 << Unit << "1-2s" << warn << "1-2s";
        QTest::newRow("exactly 3 SD")
            << QList<double>{} << -3.0 << Unit << "1-2s" << warn << "1-2s";
        QTest::newRow("just beyond 3 SD")
            << QList<double>{} << -3.001 << Unit << "1-2s 1-3s" << reject << "1-3s";
        // 3.58 - 3.52 is a hair above 0.06 in binary; the laboratory means exactly 2 SD.
        QTest::newRow("fat exactly 2 SD above") << QList<double>{} << 3.58 << fat << "" << ok << "";
        QTest::newRow("fat exactly 2 SD below") << QList<double>{} << 3.46 << fat << "" << ok << "";
        QTest::newRow("fat just below 2 SD")
            << QList<double>{} << 3.4599 << fat << "1-2s" << warn << "1-2s";
        QTest::newRow("density exactly 3 SD")
            << QList<double>{} << 1029.4 << density << "1-2s" << warn << "1-2s";
        QTest::newRow("2-2s") << QList<double>{2.5} << 2.1 << Unit << "1-2s 2-2s" << reject
                              << "2-2s";
        QTest::newRow("2-2s, the one before at 2 SD")
            << QList<double>{2.0} << 2.5 << Unit << "1-2s" << warn << "1-2s";
        QTest::newRow("2-2s, the one before on the other side")
            << QList<double>{-1.5} << 2.5 << Unit << "1-2s" << warn << "1-2s";
        QTest::newRow("2-2s over a control without the column")
            << QList<double>{-2.5, 2.5, NaN} << 2.5 << Unit << "1-2s 2-2s" << reject << "2-2s";
        QTest::newRow("2-2s, first control")
            << QList<double>{} << 2.5 << Unit << "1-2s" << warn << "1-2s";
        QTest::newRow("R-4s") << QList<double>{-2.1} << 2.1 << Unit << "1-2s R-4s" << reject
                              << "R-4s";
        QTest::newRow("R-4s downwards")
            << QList<double>{2.6} << -2.2 << Unit << "1-2s R-4s" << reject << "R-4s";
        QTest::newRow("R-4s, the one before at -2 SD")
            << QList<double>{-2.0} << 2.5 << Unit << "1-2s" << warn << "1-2s";
        QTest::newRow("R-4s, a range of 4 SD on one side")
            << QList<double>{-1.0} << 3.5 << Unit << "1-2s 1-3s" << reject << "1-3s";
        QTest::newRow("4-1s without 1-2s")
            << QList<double>{1.5, 1.2, 1.1} << 1.3 << Unit << "4-1s" << reject << "4-1s";
        QTest::newRow("4-1s below")
            << QList<double>{0.5, -1.5, -1.2, -1.9} << -1.1 << Unit << "4-1s" << reject << "4-1s";
        QTest::newRow("4-1s, too few") << QList<double>{1.5, 1.2} << 1.3 << Unit << "" << ok << "";
        QTest::newRow("4-1s, alternating sides")
            << QList<double>{1.5, -1.2, 1.1} << -1.3 << Unit << "" << ok << "";
        QTest::newRow("4-1s, one at 1 SD")
            << QList<double>{1.5, 1.0, 1.1} << 1.3 << Unit << "" << ok << "";
        QTest::newRow("4-1s, an older run")
            << QList<double>{1.5, 1.5, 1.5, 0.5, 1.2, 1.2} << 1.2 << Unit << "" << ok << "";
        QTest::newRow("10x") << times(9, 0.5) << 0.3 << Unit << "10x" << reject << "10x";
        QTest::newRow("10x, too few") << times(8, 0.5) << 0.3 << Unit << "" << ok << "";
        QTest::newRow("10x broken by the other side")
            << times(4, 0.5) + QList<double>{-0.2} + times(4, 0.5) << 0.3 << Unit << "" << ok << "";
        QTest::newRow("10x broken by the target")
            << times(4, 0.5) + QList<double>{0} + times(4, 0.5) << 0.3 << Unit << "" << ok << "";
        QTest::newRow("10x below after older ones above")
            << times(30, 2.5) + times(9, -0.5) << -0.4 << Unit << "10x" << reject << "10x";
        QTest::newRow("fat 10x") << times(9, 3.53) << 3.54 << fat << "10x" << reject << "10x";
        QTest::newRow("every rule but R-4s")
            << times(6, 0.5) + QList<double>{1.5, 1.5, 2.5} << 3.5 << Unit
            << "1-2s 1-3s 2-2s 4-1s 10x" << reject << "1-3s, 2-2s, 4-1s, 10x";
        QTest::newRow("no number") << QList<double>{2.5} << NaN << Unit << "" << none << "";
        QTest::newRow("infinite") << QList<double>{} << qInf() << Unit << "" << none << "";
        QTest::newRow("SD 0") << QList<double>{} << 5.0 << ControlTarget{0, 0} << "" << none << "";
        QTest::newRow("SD below 0")
            << QList<double>{2.5} << 2.5 << ControlTarget{0, -1} << "" << none << "";
        QTest::newRow("no target")
            << QList<double>{} << 2.5 << ControlTarget{NaN, 1} << "" << none << "";
    }
    void judge()
    {
        QFETCH(QList<double>, earlier);
        QFETCH(double, value);
        QFETCH(ControlTarget, target);
        QFETCH(QString, rules);
        QFETCH(int, verdict);
        QFETCH(QString, named);
        const QcJudgement j = WestgardRules::judge(value,
                                                   std::span<const double>(earlier.constData(),
                                                                           earlier.size()),
                                                   target);
        QCOMPARE(j.ruleNames().join(u' '), rules);
        QCOMPARE(int(j.verdict), verdict);
        QCOMPARE(j.verdictRules(), named);

        // A long history before the same values judges the same: only the last ones count.
        std::vector<double> longer(10000, -0.7);
        longer.insert(longer.end(), earlier.begin(), earlier.end());
        if (earlier.size() >= 9)
            QCOMPARE(WestgardRules::judge(value, longer, target).rules, j.rules);
    }
};

QTEST_APPLESS_MAIN(TestWestgardRules)
#include "tst_westgardrules.moc"
