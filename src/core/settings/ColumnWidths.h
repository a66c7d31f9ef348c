#pragma once

// The column widths the operator set by hand, as the settings file keeps them: key
// "ColumnWidths" of section "Window", "column:width" pairs parted by commas ("1:180,6:90").

#include <map>

#include <QString>

namespace ColumnWidths {

inline const QString Section = QStringLiteral("Window");
inline const QString Key = QStringLiteral("ColumnWidths");
// Narrower than this is a column dragged shut; wider, one dragged off the screen.
constexpr int MinWidth = 8;
constexpr int MaxWidth = 4000;

// Pairs of a column below colCount and a width within the bounds; the rest is skipped.
std::map<int, int> parse(const QString &text, int colCount);
QString format(const std::map<int, int> &widths);

} // namespace ColumnWidths
