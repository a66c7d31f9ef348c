#pragma once

// The names results files get: the extension the open dialog lists them by, the folder a
// new table's name is proposed in, and which window's table a file holds.

#include <QByteArray>
#include <QString>

namespace ResultsFileName {

// name with ".txt" after it unless it already ends so (any case): a name with dots of its
// own keeps them, "Смена 09.12.2026" -> "Смена 09.12.2026.txt". An empty name stays empty.
QString withTxt(const QString &name);

// The folder in which to propose a new table's name beside the file at path: its own, or
// none (the default folder) when path names something that is not a regular file, a device
// or a FIFO, where no results file may go.
QString folderForNew(const QString &path);

// The grid's columns of the table the lines of a file's head were saved from (the row
// number, which is not saved, counted): their TABs + 2, when every whole line agrees and its
// date field is empty or a date; 0 when they do not or there are none.
int columnsOf(const QByteArray &head);
// The same for the head of the file at path; 0 when it cannot be read.
int fileColumns(const QString &path);

} // namespace ResultsFileName
