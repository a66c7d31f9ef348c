#include "controls/TCp1251Validator.h"

#include "text/Cp1251.h"

bool TCp1251Validator::Allowed(QChar c)
{
    if (c == u'\t' || c == u'\r' || c == u'\n')
        return false;
    return Cp1251::canEncode(c);
}

QValidator::State TCp1251Validator::validate(QString &input, int &) const
{
    for (QChar c : std::as_const(input)) {
        if (!Allowed(c))
            return Invalid;
    }
    return Acceptable;
}
