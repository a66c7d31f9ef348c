#pragma once

// The Westgard multirules over one material's control values in one column. A new value is
// judged together with the values before it, as z = (value - target) / SD:
//
//   1-2s  warning    the value is beyond 2 SD
//   1-3s  rejection  the value is beyond 3 SD
//   2-2s  rejection  it and the one before are beyond 2 SD on the same side
//   R-4s  rejection  it and the one before are beyond 2 SD on opposite sides (one above
//                    +2 SD, the other below -2 SD): the across-two-controls form, as the
//                    program judges one control at a time
//   4-1s  rejection  it and the three before are beyond 1 SD on the same side
//   10x   rejection  it and the nine before are on the same side of the target
//
// "Beyond" is strictly beyond: a value exactly 2 SD off is no 1-2s, and a value exactly on
// the target belongs to neither side, so it breaks a 10x run. Control values are decimals of
// a few digits that binary doubles hold only nearly (3.58 - 3.52 is not quite 0.06), so a z
// within 1e-9 of a limit counts as on it. Every rule is judged on its own, not only after a
// 1-2s, and only over runs that end in the new value. A rule that needs more earlier values
// than there are does not fire. Earlier values that are no finite number (the control had
// no reading in this column) are passed over. A new value that is no finite number, or a
// target without a finite SD above zero, is not judged. The history is read from its end
// and only its last nine numbers are used, however long it is.

#include <span>

#include <QString>
#include <QStringList>

#include "qc/ControlMaterial.h"

enum class QcRule : quint8 { Rule12s, Rule13s, Rule22s, RuleR4s, Rule41s, Rule10x };
enum class QcVerdict : quint8 { NotJudged, InControl, Warning, Rejection };

struct QcJudgement
{
    QcVerdict verdict = QcVerdict::NotJudged;
    quint8 rules = 0;                                    // bit (1 << QcRule) for each rule violated
    double z = std::numeric_limits<double>::quiet_NaN(); // the new value's distance in SD

    bool has(QcRule rule) const { return rules & (1u << int(rule)); }
    // The names of the violated rules in the order above: "1-2s 1-3s".
    QStringList ruleNames() const;
    // The names the verdict is given for: the rejection rules of a rejection ("1-3s, 2-2s"),
    // "1-2s" of a warning, empty otherwise.
    QString verdictRules() const;
};

namespace WestgardRules {

QString ruleName(QcRule rule);
// earlier holds the material's earlier values in this column, oldest first.
QcJudgement judge(double value, std::span<const double> earlier, const ControlTarget &target);

} // namespace WestgardRules
