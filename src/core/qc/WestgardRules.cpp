#include "qc/WestgardRules.h"

#include "text/QcStrings.h"

namespace {

constexpr double Near = 1e-9; // z this close to a limit is on it
constexpr int Rules = 6;
constexpr int Run = 10; // the longest run a rule looks at, the new value included

bool above(double z, double limit)
{
    return z > limit + Near;
}
bool below(double z, double limit)
{
    return z < -limit - Near;
}

// The first n of z (newest first) all beyond limit on one side.
bool sameSide(const double *z, int count, int n, double limit)
{
    if (count < n)
        return false;
    bool up = true;
    bool down = true;
    for (int i = 0; i < n; ++i) {
        up = up && above(z[i], limit);
        down = down && below(z[i], limit);
    }
    return up || down;
}

} // namespace

QStringList QcJudgement::ruleNames() const
{
    QStringList names;
    for (int r = 0; r < Rules; ++r) {
        if (has(QcRule(r)))
            names << WestgardRules::ruleName(QcRule(r));
    }
    return names;
}

QString QcJudgement::verdictRules() const
{
    if (verdict == QcVerdict::Warning)
        return WestgardRules::ruleName(QcRule::Rule12s);
    if (verdict != QcVerdict::Rejection)
        return {};
    QStringList names = ruleNames();
    names.removeAll(WestgardRules::ruleName(QcRule::Rule12s));
    return names.join(QStringLiteral(", "));
}

namespace WestgardRules {

QString ruleName(QcRule rule)
{
    switch (rule) {
    case QcRule::Rule12s:
        return Str::Rule12s;
    case QcRule::Rule13s:
        return Str::Rule13s;
    case QcRule::Rule22s:
        return Str::Rule22s;
    case QcRule::RuleR4s:
        return Str::RuleR4s;
    case QcRule::Rule41s:
        return Str::Rule41s;
    case QcRule::Rule10x:
        return Str::Rule10x;
    }
    return {};
}

QcJudgement judge(double value, std::span<const double> earlier, const ControlTarget &target)
{
    QcJudgement j;
    if (!target.isSet() || !std::isfinite(value))
        return j;
    // z[0] is the new value, z[1] the one before it, and so on.
    double z[Run];
    int count = 0;
    z[count++] = (value - target.target) / target.sd;
    for (auto it = earlier.rbegin(); it != earlier.rend() && count < Run; ++it) {
        if (std::isfinite(*it))
            z[count++] = (*it - target.target) / target.sd;
    }
    const auto set = [&](QcRule rule, bool violated) {
        if (violated)
            j.rules |= quint8(1u << int(rule));
    };
    set(QcRule::Rule12s, sameSide(z, count, 1, 2));
    set(QcRule::Rule13s, sameSide(z, count, 1, 3));
    set(QcRule::Rule22s, sameSide(z, count, 2, 2));
    set(QcRule::RuleR4s,
        count >= 2 && ((above(z[0], 2) && below(z[1], 2)) || (below(z[0], 2) && above(z[1], 2))));
    set(QcRule::Rule41s, sameSide(z, count, 4, 1));
    set(QcRule::Rule10x, sameSide(z, count, 10, 0));
    j.z = z[0];
    if (j.rules & ~quint8(1u << int(QcRule::Rule12s)))
        j.verdict = QcVerdict::Rejection;
    else if (j.rules)
        j.verdict = QcVerdict::Warning;
    else
        j.verdict = QcVerdict::InControl;
    return j;
}

} // namespace WestgardRules
