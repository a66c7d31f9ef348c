#include "controls/TCp1251Validator.h"

#include <algorithm>

#include "table/CellText.h"
#include "text/Cp1251.h"

bool TCp1251Validator::allowed(QChar c)
{
    if (c == u'\t' || c == u'\r' || c == u'\n' || CellText::isControl(c.unicode()))
        return false;
    return Cp1251::canEncode(c);
}

QString TCp1251Validator::cleaned(const QString &text)
{
    QString out = text;
    out.replace(u'\t', u' ');
    while (out.endsWith(u'\n') || out.endsWith(u'\r'))
        out.chop(1);
    out.replace(QLatin1String("\r\n"), QLatin1String(" "));
    out.replace(u'\r', u' ');
    out.replace(u'\n', u' ');
    return CellText::withoutControls(out); // a NUL pasted in would cut the label elsewhere
}

qsizetype TCp1251Validator::firstRefused(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!allowed(text[i]))
            return i;
    }
    return -1;
}

QString TCp1251Validator::characterAt(const QString &text, qsizetype i)
{
    const bool pair = text[i].isHighSurrogate() && i + 1 < text.size()
                      && text[i + 1].isLowSurrogate();
    return text.mid(i, pair ? 2 : 1);
}

QValidator::State TCp1251Validator::validate(QString &input, int &pos) const
{
    if (m_cleaning) {
        const QString clean = cleaned(input);
        if (clean != input) {
            const auto before = cleaned(input.left(pos)).size();
            pos = static_cast<int>(std::min(before, clean.size()));
            input = clean;
        }
    }
    const qsizetype bad = firstRefused(input);
    if (bad < 0)
        return Acceptable;
    if (m_cleaning)
        emit refused(characterAt(input, bad));
    return Invalid;
}
