#include "export/TCsvExport.h"

#include "export/ExportStrings.h"
#include "export/TReplacingFile.h"

namespace {

constexpr char Separator = ';';
// Written out whenever this much has gathered: memory stays flat for a year of rows.
constexpr qsizetype ChunkBytes = 1 << 20;

bool looksLikeFormula(QStringView text)
{
    if (text.isEmpty())
        return false;
    switch (text.front().unicode()) {
    case u'=':
    case u'+':
    case u'-':
    case u'@':
    case u'\t':
    case u'\r':
        return true;
    default:
        return false;
    }
}

// A label a spreadsheet would turn into a number, a date or a time: a barcode loses its
// leading zeros, "09.12" becomes a day. It starts with a digit and holds only digits and
// the separators of numbers, dates and times, so ="..." around it keeps it as typed and
// cannot carry a formula of its own.
bool readsAsNumber(QStringView text)
{
    if (text.isEmpty() || !text.front().isDigit())
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < u'0' || u > u'9') && u != u'.' && u != u',' && u != u'/' && u != u':' && u != u'-'
            && u != u' ')
            return false;
    }
    return true;
}

void appendText(QByteArray &out, const QString &text)
{
    const bool formula = looksLikeFormula(text);
    bool quote = formula;
    for (const QChar c : text) {
        if (c == QLatin1Char(Separator) || c == QLatin1Char('"') || c == QLatin1Char('\n')
            || c == QLatin1Char('\r')) {
            quote = true;
            break;
        }
    }
    if (!quote) {
        out += text.toUtf8();
        return;
    }
    out += '"';
    if (formula)
        out += '\'';
    QByteArray utf8 = text.toUtf8();
    out += utf8.replace("\"", "\"\"");
    out += '"';
}

class TCsvWriter
{
public:
    explicit TCsvWriter(const TExportTable &table)
        : m_table(table)
        , m_columns(table.exportedColumns())
        , m_point(table.locale.decimalPoint().toUtf8())
    {}

    void header(QByteArray &out) const
    {
        out += "\xEF\xBB\xBF";
        for (size_t i = 0; i < m_columns.size(); ++i) {
            if (i > 0)
                out += Separator;
            appendText(out, m_table.titles.value(m_columns[i]));
        }
        out += "\r\n";
    }

    void row(QByteArray &out, int row) const
    {
        for (size_t i = 0; i < m_columns.size(); ++i) {
            if (i > 0)
                out += Separator;
            const int col = m_columns[i];
            const QString text = m_table.cell(col, row);
            const TCellKind kind = m_table.kind(col);
            if ((kind == TCellKind::Number || kind == TCellKind::Integer)
                && m_table.numberAt(col, row, text)) {
                // The number as shown, with the locale's separator: a value shown with the
                // other one (a file from another machine) goes out as a number too.
                appendNumber(out, text);
            } else if (kind == TCellKind::Text && readsAsNumber(text)) {
                out += "=\"" + text.toLatin1() + '"';
            } else {
                appendText(out, text);
            }
        }
        out += "\r\n";
    }

private:
    void appendNumber(QByteArray &out, const QString &text) const
    {
        const qsizetype start = out.size();
        for (const QChar c : text) {
            if (c == QLatin1Char('.') || c == QLatin1Char(',')) {
                out += m_point;
            } else if (c.unicode() < 0x80) {
                out += char(c.unicode());
            } else {
                // A separator beyond ASCII, as a table keeping numbers shows them in a few
                // locales.
                out.truncate(start);
                QString shown = text;
                const QString point = QString::fromUtf8(m_point);
                out += shown.replace(QLatin1Char('.'), point)
                           .replace(QLatin1Char(','), point)
                           .toUtf8();
                return;
            }
        }
    }

    const TExportTable &m_table;
    std::vector<int> m_columns;
    QByteArray m_point;
};

} // namespace

QByteArray TCsvExport::bytes(const TExportTable &table)
{
    TCsvWriter writer(table);
    QByteArray out;
    writer.header(out);
    for (int r = 0; r < table.rowCount; ++r)
        writer.row(out, r);
    return out;
}

bool TCsvExport::write(const TExportTable &table, const QString &path, QString *error)
{
    TReplacingFile file(path);
    if (!file.open(error))
        return false;
    TCsvWriter writer(table);
    QByteArray chunk;
    chunk.reserve(ChunkBytes + 4096);
    writer.header(chunk);
    for (int r = 0; r <= table.rowCount; ++r) {
        if (r < table.rowCount)
            writer.row(chunk, r);
        if (chunk.size() < ChunkBytes && r < table.rowCount)
            continue;
        if (file.file().write(chunk) != chunk.size()) {
            if (error)
                *error = TReplacingFile::message(Str::ExportFailed, path, file.file().errorString());
            return false;
        }
        chunk.resize(0);
    }
    return file.commit(error);
}
