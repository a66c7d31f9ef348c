#include "qc/ControlMonitor.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "qc/WestgardRules.h"
#include "text/QcStrings.h"

ControlMonitor::ControlMonitor(ControlMaterials materials, History history)
    : m_materials(std::move(materials))
    , m_history(std::move(history))
    , m_states(m_materials.list().size())
{}

bool ControlMonitor::labelled(QStringView label)
{
    const int material = m_materials.materialFor(label);
    if (material < 0)
        return false;
    judgeMaterial(material);
    return true;
}

void ControlMonitor::relabelled(QStringView label)
{
    const int named = label.isEmpty() ? -1 : m_materials.materialFor(label);
    for (int i = 0; i < int(m_states.size()); ++i) {
        if (i == named || m_states[i].kind != QcState::NoData)
            judgeMaterial(i);
    }
}

void ControlMonitor::judgeAll()
{
    for (int i = 0; i < int(m_states.size()); ++i)
        judgeMaterial(i);
}

bool ControlMonitor::hasUnread() const
{
    return std::any_of(m_states.begin(), m_states.end(),
                       [](const QcState &s) { return s.kind == QcState::Unread; });
}

void ControlMonitor::judgeMaterial(int material)
{
    const std::optional<std::vector<ControlResult>> controls = m_history(material);
    if (!controls) {
        m_states[material] = QcState{QcState::Unread, {}, {}, {}, material, {}};
        return;
    }
    m_states[material] = judge(m_materials.list()[material], *controls);
    m_states[material].material = material;
}

QcState ControlMonitor::state() const
{
    QcState worst;
    for (const QcState &s : m_states) {
        if (s.kind > worst.kind || (s.kind == worst.kind && s.at > worst.at))
            worst = s;
    }
    return worst;
}

QcState ControlMonitor::judge(const ControlMaterial &material,
                              const std::vector<ControlResult> &controls)
{
    const QList<int> columns = material.columns();
    std::vector<std::vector<double>> earlier(columns.size());
    QcState state;
    QDateTime lastGood;
    for (const ControlResult &control : controls) {
        QcVerdict worst = QcVerdict::NotJudged;
        QList<std::pair<int, QString>> reasons;
        for (int k = 0; k < columns.size(); ++k) {
            const double value = control.values.value(columns[k],
                                                      std::numeric_limits<double>::quiet_NaN());
            const QcJudgement j = WestgardRules::judge(value, earlier[k],
                                                       material.target(columns[k]));
            if (std::isfinite(value))
                earlier[k].push_back(value);
            if (j.verdict > worst) {
                worst = j.verdict;
                reasons.clear();
            }
            if (j.verdict == worst && !j.verdictRules().isEmpty())
                reasons.append({columns[k], j.verdictRules()});
        }
        if (worst == QcVerdict::NotJudged)
            continue;
        state.kind = worst == QcVerdict::Rejection ? QcState::Rejection
                     : worst == QcVerdict::Warning ? QcState::Warning
                                                   : QcState::InControl;
        state.reasons = reasons;
        state.at = control.at;
        state.values = control.values;
        state.lastGood = state.kind == QcState::Rejection ? lastGood : QDateTime();
        if (state.kind != QcState::Rejection)
            lastGood = control.at;
    }
    return state;
}

QString ControlMonitor::reasonsText(const QList<std::pair<int, QString>> &reasons,
                                    const std::function<QString(int)> &title)
{
    // Columns judged by the same rules are named together: "1-2s (Жир, Белок)".
    QList<std::pair<QString, QStringList>> byRules;
    for (const auto &reason : reasons) {
        const int col = reason.first;
        const QString &rules = reason.second;
        auto it = std::find_if(byRules.begin(), byRules.end(),
                               [&](const auto &r) { return r.first == rules; });
        if (it == byRules.end())
            byRules.append({rules, {title(col)}});
        else
            it->second.append(title(col));
    }
    QStringList parts;
    for (const auto &[rules, titles] : byRules)
        parts << Str::QcRulesOf.arg(rules, titles.join(QStringLiteral(", ")));
    return parts.join(QStringLiteral(", "));
}

QString ControlMonitor::describe(const QcState &state, const std::function<QString(int)> &title)
{
    const QString why = reasonsText(state.reasons, title);
    switch (state.kind) {
    case QcState::NoData:
        return Str::QcNoData;
    case QcState::Unread:
        return Str::QcUnread;
    case QcState::InControl:
        return Str::QcInControl;
    case QcState::Warning:
        return Str::QcWarning.arg(why);
    case QcState::Rejection:
        break;
    }
    if (!state.lastGood.isValid())
        return Str::QcRejectionNoGood.arg(why);
    // A last good control of another day carries its date.
    const QString format = state.lastGood.date() == state.at.date() ? QStringLiteral("HH:mm")
                                                                    : QStringLiteral("dd.MM HH:mm");
    return Str::QcRejection.arg(why, state.lastGood.toString(format));
}
