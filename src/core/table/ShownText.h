#pragma once

// What a cell shows on screen and on paper: a cell of a few thousand characters is drawn
// with its beginning and an ellipsis, so that a giant cell in a damaged file cannot stall or
// break the text layout. The cell itself keeps its whole text and is saved whole; exports
// write it whole too. The grid, the results print, the report and the print preview all draw
// a cell's text through this one rule.

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace ShownText {

constexpr qsizetype MaxChars = 4000;

// Windows-1251 holds one character in one byte.
inline bool isLong(QByteArrayView cell)
{
    return cell.size() > MaxChars;
}

// The cell's text, or its first MaxChars characters followed by "…".
QString of(QByteArrayView cell);
// The same for a cell's text already decoded: a cell read from the file comes out as of()
// gives it, whichever of the two a drawing starts from.
QString ofText(QStringView text);

} // namespace ShownText
