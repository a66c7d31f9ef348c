#pragma once

// The report of a table as a PDF file: A4 landscape, the layout of TReport.

#include <QFont>
#include <QString>

#include "export/TExportTable.h"

class TPdfExport
{
public:
    // Replaces the file whole or not at all; *pages (if given) gets the page count.
    static bool write(const TExportTable &table, const QString &path, const QFont &font,
                      QString *error, int *pages = nullptr);
};
