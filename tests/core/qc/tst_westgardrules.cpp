#include <QTest>

#include <vector>

#include "qc/WestgardRules.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
const ControlTarget U{0, 1}; // values are their own z
const ControlTarget Fat{3.52, 0.03};

using Values = QList<double>;

} // namespace

Q_DECLARE_METATYPE(ControlTarget)

class TestWestgardRules : public QObject
{
    Q_OBJECT

private slots:
    void judge_data()
    {
        QTest::addColumn<Values>("earlier"); // oldest first
        QTest::addColumn<double>("value");
        QTest::addColumn<ControlTarget>("target");
        QTest::addColumn<QString>("expected"); // the verdict, then the rules violated

        QTest::newRow("exactly 2 SD") << Values{} << -2.0 << U << "in control";
        QTest::newRow("just beyond 2 SD") << Values{} << 2.001 << U << "warning 1-2s";
        QTest::newRow("exactly 3 SD") << Values{} << 3.0 << U << "warning 1-2s";
        QTest::newRow("just beyond 3 SD") << Values{} << -3.001 << U << "rejection 1-2s 1-3s";
        // 3.58 - 3.52 is a hair above 0.06 in binary; the laboratory means exactly 2 SD.
        QTest::newRow("fat at +2 SD") << Values{} << 3.58 << Fat << "in control";
        QTest::newRow("fat beyond -2 SD") << Values{} << 3.4599 << Fat << "warning 1-2s";
        QTest::newRow("density at 3 SD")
            << Values{} << 1029.4 << ControlTarget{1028.5, 0.3} << "warning 1-2s";
        QTest::newRow("2-2s") << Values{2.5} << 2.1 << U << "rejection 1-2s 2-2s";
        QTest::newRow("2-2s, one at 2 SD") << Values{2.0} << 2.5 << U << "warning 1-2s";
        QTest::newRow("2-2s over a control without the column")
            << Values{-2.5, 2.5, NaN} << 2.5 << U << "rejection 1-2s 2-2s";
        QTest::newRow("R-4s") << Values{-2.1} << 2.1 << U << "rejection 1-2s R-4s";
        QTest::newRow("4-1s alone") << Values{1.5, 1.2, 1.1} << 1.3 << U << "rejection 4-1s";
        QTest::newRow("4-1s, too few") << Values{1.5, 1.2} << 1.3 << U << "in control";
        QTest::newRow("4-1s, alternating") << Values{1.5, -1.2, 1.1} << -1.3 << U << "in control";
        QTest::newRow("4-1s, one at 1 SD") << Values{1.5, 1.0, 1.1} << 1.3 << U << "in control";
        QTest::newRow("10x") << Values(9, 0.5) << 0.3 << U << "rejection 10x";
        QTest::newRow("10x, too few") << Values(8, 0.5) << 0.3 << U << "in control";
        QTest::newRow("10x broken by the other side")
            << Values(4, 0.5) + Values{-0.2} + Values(4, 0.5) << 0.3 << U << "in control";
        QTest::newRow("10x broken by the target")
            << Values(4, 0.5) + Values{0} + Values(4, 0.5) << 0.3 << U << "in control";
        QTest::newRow("all but R-4s") << Values(6, 0.5) + Values{1.5, 1.5, 2.5} << 3.5 << U
                                      << "rejection 1-2s 1-3s 2-2s 4-1s 10x";
        QTest::newRow("no number") << Values{2.5} << NaN << U << "not judged";
        QTest::newRow("SD 0") << Values{} << 5.0 << ControlTarget{0, 0} << "not judged";
    }
    void judge()
    {
        QFETCH(Values, earlier);
        QFETCH(double, value);
        QFETCH(ControlTarget, target);
        QFETCH(QString, expected);
        const std::vector<double> history(earlier.begin(), earlier.end());
        const QcJudgement j = WestgardRules::judge(value, history, target);
        const QStringList words{"not judged", "in control", "warning", "rejection"};
        QCOMPARE((QStringList{words[int(j.verdict)]} + j.ruleNames()).join(u' '), expected);

        // A long history before the same values judges the same: only the last ones count.
        std::vector<double> longer(10000, -0.7);
        longer.insert(longer.end(), earlier.begin(), earlier.end());
        if (earlier.size() >= 9)
            QCOMPARE(WestgardRules::judge(value, longer, target).rules, j.rules);
    }

    void verdictRules()
    {
        const Values nine = Values(6, 0.5) + Values{1.5, 1.5, 2.5};
        const std::vector<double> history(nine.begin(), nine.end());
        QCOMPARE(WestgardRules::judge(3.5, history, U).verdictRules(), "1-3s, 2-2s, 4-1s, 10x");
        QCOMPARE(WestgardRules::judge(2.5, {}, U).verdictRules(), "1-2s");
        QCOMPARE(WestgardRules::judge(0.5, {}, U).verdictRules(), "");
    }
};

QTEST_APPLESS_MAIN(TestWestgardRules)
#include "tst_westgardrules.moc"
