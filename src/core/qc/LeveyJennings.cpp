#include "qc/LeveyJennings.h"

#include <algorithm>
#include <iterator>

double LeveyJenningsChart::line(int k) const
{
    if (!target.isSet())
        return std::numeric_limits<double>::quiet_NaN();
    return target.target + k * target.sd;
}

std::vector<LeveyJenningsPoint> LeveyJenningsChart::period(const QDateTime &from,
                                                           const QDateTime &to) const
{
    std::vector<LeveyJenningsPoint> kept;
    // Compared as numbers: a local time's conversion is dear, done once per point beforehand.
    const qint64 fromMs = from.isValid() ? from.toMSecsSinceEpoch() : 0;
    const qint64 toMs = to.isValid() ? to.toMSecsSinceEpoch() : 0;
    std::copy_if(points.begin(), points.end(), std::back_inserter(kept),
                 [&](const LeveyJenningsPoint &p) {
                     return (!from.isValid() || p.atMs >= fromMs)
                            && (!to.isValid() || p.atMs <= toMs);
                 });
    return kept;
}

namespace LeveyJennings {

LeveyJenningsChart chart(const ControlMaterial &material,
                         const std::vector<ControlResult> &controls, int col)
{
    LeveyJenningsChart made;
    made.target = material.target(col);
    std::vector<double> earlier;
    earlier.reserve(controls.size());
    for (const ControlResult &control : controls) {
        const auto found = control.values.constFind(col);
        if (found == control.values.constEnd())
            continue;
        LeveyJenningsPoint p;
        p.at = control.at;
        p.atMs = control.at.toMSecsSinceEpoch();
        p.value = *found;
        const QcJudgement j = WestgardRules::judge(p.value, earlier, made.target);
        p.verdict = j.verdict;
        if (j.verdict != QcVerdict::NotJudged) {
            p.z = j.z;
            p.rules = j.ruleNames();
        }
        earlier.push_back(p.value);
        made.points.push_back(std::move(p));
    }
    return made;
}

} // namespace LeveyJennings
