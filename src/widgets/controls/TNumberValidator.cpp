#include "controls/TNumberValidator.h"

#include <QLocale>

QValidator::State TNumberValidator::validate(QString &input, int &) const
{
    const QString point = QLocale().decimalPoint();
    bool digits = false;
    bool separator = false;
    for (qsizetype i = 0; i < input.size(); ++i) {
        const QChar c = input[i];
        if (c >= u'0' && c <= u'9') {
            digits = true;
        } else if ((c == u'-' || c == u'+') && i == 0 && m_kind != wordvalue) {
        } else if (m_kind == floatingpointvalue && !separator
                   && (c == u'.' || QStringView(input).sliced(i).startsWith(point))) {
            separator = true;
            if (c != u'.')
                i += point.size() - 1;
        } else {
            return Invalid;
        }
    }
    return digits ? Acceptable : Intermediate;
}
