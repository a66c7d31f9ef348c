#include "table/ShownText.h"

#include "text/Cp1251.h"

QString ShownText::of(QByteArrayView cell)
{
    if (!isLong(cell))
        return Cp1251::decode(cell);
    return Cp1251::decode(cell.first(MaxChars)) + QChar(0x2026);
}

QString ShownText::ofText(QStringView text)
{
    if (text.size() <= MaxChars)
        return text.toString();
    // A character beyond U+FFFF is not cut in two.
    const qsizetype keep = text[MaxChars - 1].isHighSurrogate() ? MaxChars - 1 : MaxChars;
    return text.first(keep).toString() + QChar(0x2026);
}
