#include "export/TXlsxExport.h"

#include <algorithm>
#include <array>

#include <xlsxwriter.h>

#include "export/ExportStrings.h"
#include "export/TCNumericScope.h"
#include "export/TReplacingFile.h"
#include "export/TShownReader.h"
#include "table/CellText.h"

namespace {

// Built-in formats that spreadsheets show in their own locale's way.
constexpr uint8_t LocaleDateFormat = 14; // short date
constexpr uint8_t TimeFormat = 21;       // h:mm:ss
// Decimals shown 0 .. 9 get "0", "0.0" ... ; the last slot is the general format.
constexpr int GeneralSlot = 10;
constexpr double MaxWidth = 60;
constexpr double MinWidth = 4;

// The library takes C strings: a NUL would end the cell there, and the other controls have
// no place in the sheet's XML.
QByteArray cellText(const QString &given)
{
    const QString text = CellText::withoutControls(given);
    return text.size() > TXlsxExport::MaxCellText ? text.left(TXlsxExport::MaxCellText).toUtf8()
                                                  : text.toUtf8();
}

// The longest word of a title: titles wrap in the header row, words do not.
int longestWord(const QString &title)
{
    int best = 0;
    for (const QString &word : title.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        best = std::max(best, static_cast<int>(word.size()));
    return best;
}

class TSheetWriter
{
public:
    TSheetWriter(const TExportTable &table, lxw_workbook *book, lxw_worksheet *sheet)
        : m_table(table)
        , m_book(book)
        , m_sheet(sheet)
        , m_columns(table.exportedColumns())
        , m_widths(m_columns.size(), MinWidth)
        , m_reader(table.locale)
    {
        m_header = workbook_add_format(book);
        format_set_bold(m_header);
        format_set_text_wrap(m_header);
        format_set_align(m_header, LXW_ALIGN_VERTICAL_TOP);
        format_set_bottom(m_header, LXW_BORDER_THIN);
        m_date = workbook_add_format(book);
        format_set_num_format_index(m_date, LocaleDateFormat);
        m_time = workbook_add_format(book);
        format_set_num_format_index(m_time, TimeFormat);
    }

    lxw_error header()
    {
        for (size_t i = 0; i < m_columns.size(); ++i) {
            const QString title = m_table.titles.value(m_columns[i]);
            m_widths[i] = std::max<double>(m_widths[i], longestWord(title));
            keep(worksheet_write_string(m_sheet, 0, lxw_col_t(i), cellText(title).constData(),
                                        m_header));
        }
        return m_error;
    }

    lxw_error row(int row)
    {
        const lxw_row_t at = lxw_row_t(row) + 1;
        for (size_t i = 0; i < m_columns.size() && m_error == LXW_NO_ERROR; ++i) {
            const int col = m_columns[i];
            const QString text = m_table.cell(col, row);
            if (text.isEmpty())
                continue;
            m_widths[i] = std::max<double>(m_widths[i], text.size());
            const lxw_col_t x = lxw_col_t(i);
            QDate date;
            QTime time;
            switch (m_table.kind(col)) {
            case TCellKind::Integer:
            case TCellKind::Number:
                if (const auto number = m_table.numberAt(col, row, text)) {
                    keep(worksheet_write_number(m_sheet, at, x, number->value,
                                                numberFormat(*number, col, row)));
                    continue;
                }
                break;
            case TCellKind::Date:
                if (m_reader.date(text, &date) && date.year() >= 1900) {
                    lxw_datetime d{date.year(), date.month(), date.day(), 0, 0, 0};
                    keep(worksheet_write_datetime(m_sheet, at, x, &d, m_date));
                    continue;
                }
                break;
            case TCellKind::Time:
                if (m_reader.time(text, &time)) {
                    lxw_datetime t{0, 0, 0, time.hour(), time.minute(), double(time.second())};
                    keep(worksheet_write_datetime(m_sheet, at, x, &t, m_time));
                    continue;
                }
                break;
            case TCellKind::Text:
                break;
            }
            // Strings stay strings: "=1+2" in a label is never a formula here.
            keep(worksheet_write_string(m_sheet, at, x, cellText(text).constData(), nullptr));
        }
        return m_error;
    }

    lxw_error finish()
    {
        for (size_t i = 0; i < m_columns.size(); ++i) {
            worksheet_set_column(m_sheet, lxw_col_t(i), lxw_col_t(i),
                                 std::min(m_widths[i] + 2, MaxWidth), nullptr);
        }
        worksheet_freeze_panes(m_sheet, 1, 0);
        if (!m_columns.empty()) {
            keep(worksheet_autofilter(m_sheet, 0, 0, lxw_row_t(m_table.rowCount),
                                      lxw_col_t(m_columns.size() - 1)));
        }
        return m_error;
    }

private:
    void keep(lxw_error error)
    {
        if (m_error == LXW_NO_ERROR)
            m_error = error;
    }

    lxw_format *numberFormat(const ShownNumber::Value &number, int col, int row)
    {
        const int slot = number.scientific ? GeneralSlot : std::min(number.decimals, 9);
        TLimitClass limit = TLimitClass::Within;
        if (m_table.limitClass)
            limit = m_table.limitClass(col, row);
        lxw_format *&format = m_numbers[static_cast<int>(limit)][slot];
        if (!format) {
            format = workbook_add_format(m_book);
            if (slot > 0 && slot < GeneralSlot)
                format_set_num_format(format, ("0." + QByteArray(slot, '0')).constData());
            else if (slot == 0)
                format_set_num_format(format, "0");
            if (limit != TLimitClass::Within) {
                format_set_pattern(format, LXW_PATTERN_SOLID);
                format_set_bg_color(format, limit == TLimitClass::Below ? m_table.belowColour
                                                                        : m_table.aboveColour);
            }
        }
        return format;
    }

    const TExportTable &m_table;
    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    std::vector<int> m_columns;
    std::vector<double> m_widths; // in characters
    TShownReader m_reader;
    lxw_format *m_header = nullptr;
    lxw_format *m_date = nullptr;
    lxw_format *m_time = nullptr;
    std::array<std::array<lxw_format *, GeneralSlot + 1>, 3> m_numbers{};
    lxw_error m_error = LXW_NO_ERROR;
};

QString libraryError(lxw_error error)
{
    return QString::fromUtf8(lxw_strerror(error));
}

} // namespace

bool TXlsxExport::write(const TExportTable &table, const QString &path, QString *error)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = TReplacingFile::message(Str::ExportFailed, path, why);
        return false;
    };
    if (table.rowCount + 1 > MaxRows)
        return fail(Str::TooManyRows);
    TReplacingFile file(path);
    if (!file.open(error))
        return false;
    // From the first call to the last, the library prints numbers for the file.
    const TCNumericScope cNumbers;
    // The library writes the file itself, by name.
    file.file().close();
    const QByteArray name = QFile::encodeName(file.tempPath());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *book = workbook_new_opt(name.constData(), &options);
    if (!book)
        return fail(libraryError(LXW_ERROR_MEMORY_MALLOC_FAILED));
    lxw_worksheet *sheet = workbook_add_worksheet(book, Str::SheetName.toUtf8().constData());
    lxw_error written = LXW_ERROR_MEMORY_MALLOC_FAILED;
    if (sheet) {
        TSheetWriter writer(table, book, sheet);
        written = writer.header();
        for (int r = 0; r < table.rowCount && written == LXW_NO_ERROR; ++r)
            written = writer.row(r);
        const lxw_error finished = writer.finish();
        if (written == LXW_NO_ERROR)
            written = finished;
    }
    const lxw_error closed = workbook_close(book);
    if (written != LXW_NO_ERROR)
        return fail(libraryError(written));
    if (closed != LXW_NO_ERROR)
        return fail(libraryError(closed));
    return file.commit(error);
}
