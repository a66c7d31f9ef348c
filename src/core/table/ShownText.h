#pragma once

// What a cell shows on screen and on paper: a cell of a few thousand characters is drawn
// with its beginning and an ellipsis, so that a giant cell in a damaged file cannot stall or
// break the text layout. The cell itself keeps its whole text and is saved whole.

#include <QByteArrayView>
#include <QString>

namespace ShownText {

constexpr qsizetype MaxChars = 4000;

// Windows-1251 holds one character in one byte.
inline bool isLong(QByteArrayView cell)
{
    return cell.size() > MaxChars;
}

// The cell's text, or its first MaxChars characters followed by "…".
QString of(QByteArrayView cell);

} // namespace ShownText
