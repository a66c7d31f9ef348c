#pragma once

// Windows-1251, the code page of results files and of older settings files. Every byte
// decodes (0x98, unassigned, maps to U+0098 as Windows does), so any file reads back whole.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

class Cp1251
{
public:
    static QString decode(QByteArrayView bytes);
    // Characters without a byte become '?' and clear *ok.
    static QByteArray encode(QStringView text, bool *ok = nullptr);
    static bool canEncode(QChar c);
    static char16_t toUnicode(uint8_t byte);
    // 0 when the character has no byte (and is not U+0000).
    static uint8_t fromUnicode(char16_t c, bool *ok);
};
