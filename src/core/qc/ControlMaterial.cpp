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

QString ControlMaterial::nextLabel(const QStringList &labels) const
{
    int highest = 0;
    for (const QString &label : labels) {
        const QStringView text = QStringView(label).trimmed();
        if (!matches(text))
            continue;
        QStringView rest = text.mid(prefix.size());
        if (rest.startsWith(u'-'))
            rest = rest.mid(1);
        bool ok = false;
        const int n = rest.toInt(&ok);
        if (ok && n > highest && n < 1000000)
            highest = n;
    }
    return prefix + u'-' + QString::number(highest + 1);
}

bool ControlMaterial::operator==(const ControlMaterial &o) const
{
    return name == o.name && lot == o.lot && prefix == o.prefix && expires == o.expires
           && m_targets == o.m_targets;
}
