#pragma once

// A control material: a milk of known composition that the laboratory measures between its
// samples. Its samples are told by their label, which begins with the material's prefix (or
// is its code, typed or scanned); each value column it is certified for has a target and a
// standard deviation.

#include <cmath>
#include <limits>

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QStringView>

struct ControlTarget
{
    double target = std::numeric_limits<double>::quiet_NaN();
    double sd = std::numeric_limits<double>::quiet_NaN();

    // A target can judge values only with a finite target and a finite SD above zero.
    bool isSet() const { return std::isfinite(target) && std::isfinite(sd) && sd > 0; }
    bool operator==(const ControlTarget &o) const
    {
        return isSet() == o.isSet() && (!isSet() || (target == o.target && sd == o.sd));
    }
};

class ControlMaterial
{
public:
    QString name;
    QString lot;
    QString prefix;
    QDate expires; // invalid: no expiry

    ControlTarget target(int col) const { return m_targets.value(col); }
    // A target that is not set takes the column away.
    void setTarget(int col, const ControlTarget &target);
    QList<int> columns() const { return m_targets.keys(); } // ascending

    // The label, blanks around it aside, begins with the prefix; letters match without
    // regard to case, as labels are typed either way. An empty prefix matches nothing.
    bool matches(QStringView label) const;
    // The label of its next control: the prefix, a dash and one more than the highest number
    // any of `labels` carries after it ("КМА-3" after "КМА-2" and "кма-1"); "КМА-1" first.
    QString nextLabel(const QStringList &labels) const;
    // Usable through its expiry day, expired from the day after. Without an expiry never.
    bool isExpiredOn(const QDate &day) const { return expires.isValid() && day > expires; }

    bool operator==(const ControlMaterial &o) const;

private:
    QMap<int, ControlTarget> m_targets; // set targets only
};
