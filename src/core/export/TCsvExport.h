#pragma once

// CSV that spreadsheets in Russian locales open as a table: UTF-8 with a byte-order mark,
// ";" between fields, CR LF line ends, the locale's decimal separator, a header row of titles.
// Fields with ";", quotes or line breaks are quoted (quotes doubled). A text that a
// spreadsheet would take for a formula ("=", "+", "-", "@" first) gets a leading apostrophe,
// so it stays text; values that read as numbers go out as numbers.

#include <QByteArray>
#include <QString>

#include "export/TExportTable.h"

class TCsvExport
{
public:
    // Replaces the file whole or not at all.
    static bool write(const TExportTable &table, const QString &path, QString *error);
    // The whole text, for callers that keep it in memory.
    static QByteArray bytes(const TExportTable &table);
};
