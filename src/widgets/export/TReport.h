#pragma once

// The report of a table on pages: every visible column at the width its content needs, the
// column titles wrapped over as many lines as they take, a page header with the table's name
// and row count, "Стр. p из N" at the foot, values outside their limits on the screen's
// backgrounds and the statistics lines after the rows. A table too wide for the page first
// gets a smaller font, then is cut into parts side by side, each part repeating the columns
// that name a row. The same drawing serves PDF files, printers and the print preview. A table
// with a protocol header (TExportTable::protocol) prints as a test protocol: the header on the
// first pages, the printed date at each foot, the signature line after the statistics.

#include <vector>

#include <QFont>
#include <QFontMetricsF>
#include <QStringList>

#include "export/TExportTable.h"

class QPaintDevice;
class QPagedPaintDevice;
class QPainter;

class TReport
{
public:
    TReport(const TExportTable &table, const QFont &font);

    // Lays the table out for the device's page; returns the number of pages.
    int layout(const QPaintDevice &device);
    // Lays out and draws pages first .. last (from 1; last 0: to the end); the device must
    // not be painted on yet. False when it refused to paint or to begin a page.
    bool print(QPagedPaintDevice &device, int first = 1, int last = 0);

    int pageCount() const { return m_chunks * bandCount(); }
    int bandCount() const { return static_cast<int>(m_bands.size()); }
    int rowsPerPage() const { return m_rowsPerPage; }
    // The lines a column's title takes, by its place among the exported columns.
    QStringList titleLines(int index) const { return m_titles.value(index); }
    double fontScale() const { return m_scale; }

private:
    struct TColumn
    {
        int col = 0;
        double width = 0;
        double content = 0; // the width the cells need, without the title's longest word
        bool right = false; // numbers stand right-aligned
    };

    void measure(const QPaintDevice &device, double scale);
    void cutIntoBands(double pageWidth);
    QStringList wrapTitle(const QString &title, double width, const QPaintDevice &device) const;
    void drawPage(QPainter &painter, int chunk, int band, int pageNo) const;
    QString shownCell(int col, int row) const;
    void drawRow(QPainter &painter, const std::vector<int> &band, int row, double y) const;
    void drawStatistics(QPainter &painter, const std::vector<int> &band, const QStringList &line,
                        double y) const;
    void drawText(QPainter &painter, const QFontMetricsF &metrics, const TColumn &c, double x,
                  double y, const QString &text) const;

    const TExportTable &m_table;
    QFont m_baseFont;
    QFont m_font;
    QFont m_bold;
    double m_scale = 1;
    std::vector<TColumn> m_columns;
    std::vector<std::vector<int>> m_bands; // places in m_columns
    QList<QStringList> m_titles;
    std::vector<QStringList> m_statistics;
    double m_pageWidth = 0;
    double m_pageHeight = 0;
    double m_line = 0;
    double m_pad = 0;
    double m_ascent = 0;
    double m_titleHeight = 0;
    int m_items = 0; // rows, then a gap and the statistics lines
    int m_rowsPerPage = 1;
    int m_chunks = 1;
    // A protocol: its title and header lines as wrapped for the page, what they take on the
    // first pages, the rows that leave room for there, and the signature's place among items.
    QStringList m_header;
    double m_headerHeight = 0;
    int m_rowsFirstPage = 1;
    int m_signatureItem = -1;
    QStringList m_signatures; // the protocol's lines after the statistics, one item each
};
