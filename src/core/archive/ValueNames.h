#pragma once

// Column names for the archive's views: a value column's title as the window shows it
// ("Жир", "Т.замерзания") turned into a name a query can use without quotes ("fat",
// "freezing_point"). Titles the program knows get their usual English names; any other title
// is spelt in Latin letters ("Вязкость" -> "vyazkost"); an empty one is "v<k>", the archive's
// own column.

#include <QString>
#include <QStringList>

namespace ValueNames {

// The name of one title; empty when the title has no letter or digit.
QString of(const QString &title);

// The names of values 0 .. titles.size() - 1, each a valid lower-case identifier, none twice
// (a name already taken gets "_<k>" appended) and none that clashes with the views' other
// columns.
QStringList forTitles(const QStringList &titles);

} // namespace ValueNames
