#include "qc/ControlMaterial.h"

void ControlMaterial::setTarget(int col, const ControlTarget &target)
{
    if (target.isSet())
        m_targets.insert(col, target);
    else
        m_targets.remove(col);
}

bool ControlMaterial::matches(QStringView label) const
{
    return !prefix.isEmpty() && label.trimmed().startsWith(prefix, Qt::CaseInsensitive);
}

bool ControlMaterial::operator==(const ControlMaterial &o) const
{
    return name == o.name && lot == o.lot && prefix == o.prefix && expires == o.expires
           && m_targets == o.m_targets;
}
