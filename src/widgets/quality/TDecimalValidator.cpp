#include "quality/TDecimalValidator.h"

#include "quality/TCellNumber.h"

TDecimalValidator::TDecimalValidator(const QLocale &locale, QObject *parent)
    : QValidator(parent)
    , m_locale(locale)
{}

QValidator::State TDecimalValidator::validate(QString &input, int &) const
{
    const QString point = m_locale.decimalPoint();
    if (point.size() == 1 && (point == u"," || point == u".")) {
        input.replace(u'.', point[0]);
        input.replace(u',', point[0]);
    }
    if (input.size() > MaxLength)
        return Invalid;
    qsizetype i = 0;
    if (i < input.size() && (input[i] == u'-' || input[i] == u'+'))
        ++i;
    bool seenPoint = false;
    bool digits = false;
    while (i < input.size()) {
        if (input[i].isDigit() && input[i].unicode() < 128) {
            digits = true;
            ++i;
        } else if (!seenPoint && QStringView(input).mid(i).startsWith(point)) {
            seenPoint = true;
            i += point.size();
        } else {
            return Invalid;
        }
    }
    if (input.isEmpty())
        return Acceptable;
    if (!digits)
        return Intermediate;
    return TCellNumber(m_locale).read(QStringView(input)) ? Acceptable : Intermediate;
}
