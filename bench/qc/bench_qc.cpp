// A control judged by the Westgard rules against 10,000 earlier controls of its material:
// one column, and a whole control of ten columns. Prints times; asserts nothing.

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include <QElapsedTimer>

#include "qc/WestgardRules.h"

namespace {

constexpr int Earlier = 10000;
constexpr int Columns = 10;
constexpr int Rounds = 20000;

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

// Control values around their targets, as a stable analyser gives them, oldest first.
std::vector<std::vector<double>> histories(const std::vector<ControlTarget> &targets)
{
    std::mt19937 random(24);
    std::normal_distribution<double> noise(0, 1);
    std::vector<std::vector<double>> h(targets.size());
    for (size_t c = 0; c < targets.size(); ++c) {
        for (int i = 0; i < Earlier; ++i)
            h[c].push_back(targets[c].target + noise(random) * targets[c].sd);
    }
    return h;
}

} // namespace

int main()
{
    std::vector<ControlTarget> targets;
    for (int c = 0; c < Columns; ++c)
        targets.push_back({3.5 + c * 100, 0.03 + c * 0.01});
    const std::vector<std::vector<double>> h = histories(targets);

    // Each round judges a new value of its own, so nothing is judged twice alike.
    std::vector<double> one;
    std::vector<double> whole;
    int rejections = 0;
    QElapsedTimer t;
    for (int round = 0; round < Rounds; ++round) {
        const double offset = ((round % 13) - 6) * 0.6;
        t.start();
        const QcJudgement j = WestgardRules::judge(targets[0].target + offset * targets[0].sd, h[0],
                                                   targets[0]);
        one.push_back(ms(t));
        rejections += j.verdict == QcVerdict::Rejection;

        t.start();
        for (int c = 0; c < Columns; ++c) {
            const double v = targets[c].target + offset * targets[c].sd;
            rejections += WestgardRules::judge(v, h[c], targets[c]).verdict == QcVerdict::Rejection;
        }
        whole.push_back(ms(t));
    }
    std::sort(one.begin(), one.end());
    std::sort(whole.begin(), whole.end());

    std::printf("Westgard rules, a control against %d earlier controls of its material\n", Earlier);
    std::printf("  one column           %8.5f ms   median (99%% %.5f, worst %.5f) target < 5\n",
                one[Rounds / 2], one[Rounds * 99 / 100], one.back());
    std::printf("  %d columns           %8.5f ms   median (99%% %.5f, worst %.5f) target < 5\n",
                Columns, whole[Rounds / 2], whole[Rounds * 99 / 100], whole.back());
    std::printf("  (%d rejections judged)\n", rejections);
    return 0;
}
