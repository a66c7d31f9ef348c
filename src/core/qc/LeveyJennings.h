#pragma once

// A Levey-Jennings chart's data: one material's controls in one column, oldest first, with
// the target and the SD lines, and each point's Westgard rules judged against the points
// before it, as the status bar judges the newest one. A control without a value in the
// column is no point. A column the material has no target for gives its points and no lines
// or rules, so the operator still sees the values.

#include <vector>

#include <QDateTime>
#include <QStringList>

#include "qc/ControlMaterial.h"
#include "qc/ControlMonitor.h"
#include "qc/WestgardRules.h"

struct LeveyJenningsPoint
{
    QDateTime at;
    qint64 atMs = 0; // `at` as milliseconds since the epoch, worked out once
    double value = 0;
    double z = std::numeric_limits<double>::quiet_NaN(); // NaN without a target
    QStringList rules;                                   // "1-2s", "2-2s", ... in rule order
    QcVerdict verdict = QcVerdict::NotJudged;
};

struct LeveyJenningsChart
{
    ControlTarget target; // not set: no lines
    std::vector<LeveyJenningsPoint> points;

    bool hasTarget() const { return target.isSet(); }
    // target + k * SD, k from -3 to 3; NaN without a target.
    double line(int k) const;
    // The points from `from` to `to`, both included; an invalid end leaves that side open.
    std::vector<LeveyJenningsPoint> period(const QDateTime &from, const QDateTime &to) const;
};

namespace LeveyJennings {

LeveyJenningsChart chart(const ControlMaterial &material,
                         const std::vector<ControlResult> &controls, int col);

} // namespace LeveyJennings
