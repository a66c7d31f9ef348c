#pragma once

#include <QString>

// The name New gives a table: "Новый1.txt", "Новый2.txt" ... in the folder of the current file
// (no folder when it has none), the first that does not exist.
QString NextNewFileName(const QString &current);
