#include "table/CellText.h"

#include "table/TRowStore.h"
#include "table/TableShape.h"
#include "text/Cp1251.h"

namespace {

constexpr int ListedRows = 10;

bool isControlByte(uint8_t b)
{
    // Windows-1251 gives 0x98 to U+0098, a C1 control; a cell holds no TAB, CR or LF.
    return b < 0x20 || b == 0x7F || b == 0x98;
}

} // namespace

bool CellText::isControl(char16_t c)
{
    if (c == u'\t' || c == u'\r' || c == u'\n')
        return false;
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

QString CellText::withoutControls(QStringView text, qsizetype *dropped)
{
    QString out;
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isControl(text[i].unicode()))
            continue;
        if (count == 0)
            out = text.left(i).toString();
        ++count;
        for (qsizetype j = i + 1; j < text.size(); ++j) {
            if (isControl(text[j].unicode()))
                ++count;
            else
                out += text[j];
        }
        break;
    }
    if (dropped)
        *dropped = count;
    return count == 0 ? text.toString() : out;
}

std::vector<int> CellText::dropControls(TRowStore &rows)
{
    std::vector<int> changed;
    if (rows.ColCount() <= TableShape::LabelCol)
        return changed;
    for (int r = 0; r < rows.RowCount(); ++r) {
        const QByteArrayView label = rows.CellBytes(TableShape::LabelCol, r);
        QByteArray clean;
        bool found = false;
        for (qsizetype i = 0; i < label.size(); ++i) {
            const bool control = isControlByte(static_cast<uint8_t>(label[i]));
            if (control && !found) {
                clean = label.first(i).toByteArray();
                found = true;
            } else if (!control && found) {
                clean += label[i];
            }
        }
        if (!found)
            continue;
        rows.SetCellBytes(TableShape::LabelCol, r, clean);
        changed.push_back(TableShape::gridRow(r));
    }
    return changed;
}

QStringList CellText::unheld(QStringView text)
{
    QStringList out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size()
                          && text[i + 1].isLowSurrogate();
        if (!pair && Cp1251::canEncode(text[i]))
            continue;
        const QString one = text.mid(i, pair ? 2 : 1).toString();
        if (!out.contains(one))
            out << one;
        if (pair)
            ++i;
    }
    return out;
}

QString CellText::named(const QString &character)
{
    const uint code = character.size() == 2 ? QChar::surrogateToUcs4(character[0], character[1])
                      : character.isEmpty() ? 0u
                                            : character[0].unicode();
    return QStringLiteral("«%1» U+%2")
        .arg(character)
        .arg(QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

QString CellText::rowList(const std::vector<int> &gridRows)
{
    QStringList parts;
    for (size_t i = 0; i < gridRows.size() && i < ListedRows; ++i)
        parts << QString::number(gridRows[i]);
    QString out = parts.join(QStringLiteral(", "));
    if (gridRows.size() > ListedRows)
        out += QStringLiteral(", …");
    return out;
}
