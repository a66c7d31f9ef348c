#pragma once

// What a cell of the results table may hold, for rows that come from elsewhere (a results
// file, the recovery journal, the archive) rather than through the label editor: control
// characters never stay in a cell, and characters Windows-1251 has no byte for are named
// so that the operator hears of them before a save would write "?" for them.

#include <vector>

#include <QString>
#include <QStringList>
#include <QStringView>

class TRowStore;

// A row whose cells hold characters the results file cannot hold, each named once.
struct TUnheldRow
{
    int gridRow = 0;
    QStringList characters;
};

namespace CellText {

// C0 controls but TAB, CR and LF (which a cell turns into blanks), DEL and the C1 controls.
bool isControl(char16_t c);
// The text without its control characters; *dropped counts them.
QString withoutControls(QStringView text, qsizetype *dropped = nullptr);
// The same over the label cells of a table, whose other cells keep their bytes as the file
// holds them; the grid rows whose label changed, in order.
std::vector<int> dropControls(TRowStore &rows);
// The characters of text that Windows-1251 has no byte for, each once, in the order they
// first come; a character beyond U+FFFF is one.
QStringList unheld(QStringView text);
// A character as the operator is told of it: «😀» U+1F600.
QString named(const QString &character);
// Grid rows as a short list: "3, 5, 7" and "…" after the first ten.
QString rowList(const std::vector<int> &gridRows);

} // namespace CellText
