#include "table/ShownText.h"

#include "text/Cp1251.h"

QString ShownText::of(QByteArrayView cell)
{
    if (!isLong(cell))
        return Cp1251::decode(cell);
    return Cp1251::decode(cell.first(MaxChars)) + QChar(0x2026);
}
