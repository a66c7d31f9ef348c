#include "quality/TLimits.h"

#include <QHash>

#include "quality/TCellNumber.h"
#include "settings/TIniPlus.h"
#include "text/QualityStrings.h"

const QString TLimits::Section = QStringLiteral("Limits");

namespace {

// A status bar shows a few notes; the rest are counted.
constexpr int MaxNotes = 8;
constexpr int MaxQuoted = 24;

// A column key is decimal digits only ("7", "07"); nothing else names a column.
int columnOfKey(const QString &key)
{
    if (key.isEmpty() || key.size() > 6)
        return -1;
    int col = 0;
    for (QChar c : key) {
        if (c < u'0' || c > u'9')
            return -1;
        col = col * 10 + (c.unicode() - u'0');
    }
    return col;
}

QString quoted(QStringView text)
{
    return text.size() > MaxQuoted ? text.left(MaxQuoted).toString() + QChar(0x2026)
                                   : text.toString();
}

class TNotes
{
public:
    explicit TNotes(QStringList *out)
        : m_out(out)
    {}
    ~TNotes()
    {
        if (m_out && m_dropped > 0)
            m_out->append(Str::NoteMore.arg(m_dropped));
    }
    void add(const QString &note)
    {
        if (!m_out)
            return;
        if (m_kept < MaxNotes) {
            m_out->append(note);
            ++m_kept;
        } else {
            ++m_dropped;
        }
    }

private:
    QStringList *m_out;
    int m_kept = 0;
    int m_dropped = 0;
};

} // namespace

bool TLimits::isEmpty() const
{
    for (const TLimit &l : m_byCol) {
        if (l.isSet())
            return false;
    }
    return true;
}

void TLimits::setLimit(int col, const TLimit &limit)
{
    if (col < 0 || col > 4096)
        return;
    if (!limit.isSet()) {
        if (col < m_byCol.size())
            m_byCol[col] = {};
        while (!m_byCol.isEmpty() && !m_byCol.last().isSet())
            m_byCol.removeLast();
        return;
    }
    if (col >= m_byCol.size())
        m_byCol.resize(col + 1);
    m_byCol[col] = limit;
}

QList<int> TLimits::columns() const
{
    QList<int> cols;
    for (int c = 0; c < m_byCol.size(); ++c) {
        if (m_byCol[c].isSet())
            cols << c;
    }
    return cols;
}

TVerdict TLimits::judge(int col, double value) const
{
    const TLimit l = limit(col);
    if (l.hasMin() && value < l.min)
        return TVerdict::Below;
    if (l.hasMax() && value > l.max)
        return TVerdict::Above;
    return TVerdict::Within;
}

TVerdict TLimits::classify(int col, QByteArrayView cell, const TCellNumber &reader) const
{
    const std::optional<double> v = reader.read(cell);
    return v ? judge(col, *v) : TVerdict::NotNumber;
}

TVerdict TLimits::classify(int col, QStringView shown, const TCellNumber &reader) const
{
    const std::optional<double> v = reader.read(shown);
    return v ? judge(col, *v) : TVerdict::NotNumber;
}

void TLimits::judgeRow(const QStringList &cells, int firstCol, const TCellNumber &reader,
                       quint32 *checked, quint32 *outside) const
{
    *checked = 0;
    *outside = 0;
    for (int k = 0; k < int(cells.size()) && k < 32; ++k) {
        if (!limit(firstCol + k).isSet())
            continue;
        const TVerdict v = classify(firstCol + k, cells[k], reader);
        if (v == TVerdict::NotNumber)
            continue;
        *checked |= 1u << k;
        if (v != TVerdict::Within)
            *outside |= 1u << k;
    }
}

QString TLimits::tip(int col, QStringView shown, const TCellNumber &reader) const
{
    const QString text = shown.trimmed().toString();
    switch (classify(col, shown, reader)) {
    case TVerdict::Below:
        return Str::TipBelow.arg(text, show(limit(col).min, reader.locale()));
    case TVerdict::Above:
        return Str::TipAbove.arg(text, show(limit(col).max, reader.locale()));
    default:
        return {};
    }
}

std::optional<TLimit> TLimits::parse(QStringView value, ParseError *why)
{
    ParseError dummy = ParseError::None;
    ParseError &error = why ? *why : dummy;
    error = ParseError::None;
    const QStringView text = value.trimmed();
    if (text.isEmpty())
        return TLimit{};
    const qsizetype semi = text.indexOf(u';');
    if (semi < 0 || text.indexOf(u';', semi + 1) >= 0) {
        error = ParseError::NotPair;
        return std::nullopt;
    }
    // Written with a point; a comma from a hand edit reads the same.
    static const TCellNumber reader{QLocale(QLocale::Russian)};
    TLimit limit;
    const QStringView sides[2] = {text.left(semi).trimmed(), text.mid(semi + 1).trimmed()};
    double *out[2] = {&limit.min, &limit.max};
    for (int i = 0; i < 2; ++i) {
        if (sides[i].isEmpty())
            continue;
        const std::optional<double> v = reader.read(sides[i]);
        if (!v) {
            error = ParseError::NotNumber;
            return std::nullopt;
        }
        *out[i] = *v;
    }
    if (limit.hasMin() && limit.hasMax() && limit.min > limit.max) {
        error = ParseError::MinAboveMax;
        return std::nullopt;
    }
    return limit;
}

QString TLimits::format(const TLimit &limit)
{
    const QLocale c = QLocale::c();
    const auto side = [&](bool has, double v) {
        // -0 would read back as 0 all the same; written without its sign.
        return has ? c.toString(v == 0 ? 0.0 : v, 'g', QLocale::FloatingPointShortest) : QString();
    };
    return side(limit.hasMin(), limit.min) + u';' + side(limit.hasMax(), limit.max);
}

QString TLimits::show(double value, const QLocale &locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = plain.toString(value == 0 ? 0.0 : value, 'f', QLocale::FloatingPointShortest);
    const QString point = locale.decimalPoint();
    const qsizetype at = text.indexOf(point);
    const qsizetype decimals = at < 0 ? 0 : text.size() - at - point.size();
    if (at < 0)
        text += point;
    if (decimals < 2)
        text += QString(2 - decimals, u'0');
    return text;
}

TLimits TLimits::read(const TIniPlus &ini, int firstCol, int lastCol, QStringList *noteList)
{
    TLimits limits;
    TNotes notes(noteList);
    QList<int> seen;
    for (const QString &key : ini.ReadSection(Section)) {
        const int col = columnOfKey(key);
        if (col < firstCol || col > lastCol) {
            notes.add(Str::NoteNoColumn.arg(quoted(key)));
            continue;
        }
        // A key given twice reads as its first line, as every other setting does.
        if (seen.contains(col))
            continue;
        seen << col;
        const QString value = ini.ReadString(Section, key, QString());
        ParseError why = ParseError::None;
        const std::optional<TLimit> limit = parse(value, &why);
        if (why == ParseError::MinAboveMax)
            notes.add(Str::NoteMinAboveMax.arg(col));
        else if (!limit)
            notes.add(Str::NoteBadValue.arg(col).arg(quoted(value)));
        else
            limits.setLimit(col, *limit);
    }
    return limits;
}

bool TLimits::write(TIniPlus &ini, int firstCol, int lastCol) const
{
    // A column keeps the key spelling the file gave it ("07"); its first line is the one read.
    QHash<int, QString> keys;
    for (const QString &key : ini.ReadSection(Section)) {
        const int col = columnOfKey(key);
        if (col >= firstCol && col <= lastCol && !keys.contains(col))
            keys.insert(col, key);
    }
    const auto keyOf = [&](int col) { return keys.value(col, QString::number(col)); };

    bool ok = true;
    for (int col = firstCol; col <= lastCol; ++col) {
        const QString key = keyOf(col);
        const bool inFile = ini.ValueExists(Section, key);
        const QString value = limit(col).isSet() ? format(limit(col)) : QString();
        if (!inFile && value.isEmpty())
            continue;
        // A line that reads as the limit already ("6.0", "2,8") keeps the file's spelling.
        const std::optional<TLimit> held = parse(ini.ReadString(Section, key, QString()));
        if (!held || !(*held == limit(col)))
            ok = ini.WriteString(Section, key, value) && ok;
    }
    return ok;
}

bool TLimits::operator==(const TLimits &o) const
{
    const qsizetype n = qMax(m_byCol.size(), o.m_byCol.size());
    for (int c = 0; c < n; ++c) {
        if (!(limit(c) == o.limit(c)))
            return false;
    }
    return true;
}
