#include "qc/ControlMaterials.h"

#include <algorithm>

#include <QHash>
#include <QMap>
#include <QSet>

#include "qc/QcSchedule.h"
#include "quality/TCellNumber.h"
#include "settings/TIniPlus.h"
#include "text/QcStrings.h"

const QString ControlMaterials::Section = QStringLiteral("Control");

namespace {

constexpr int MaxNotes = 8;
constexpr int MaxQuoted = 24;

const QString NameField = QStringLiteral("name");
const QString LotField = QStringLiteral("lot");
const QString PrefixField = QStringLiteral("prefix");
const QString ExpiresField = QStringLiteral("expires");

QString quoted(const QString &text)
{
    return text.size() > MaxQuoted ? text.left(MaxQuoted) + QChar(0x2026) : text;
}

// Decimal digits only, at most `digits` of them; -1 for anything else.
int number(QStringView text, int digits)
{
    const auto digit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    return !text.isEmpty() && text.size() <= digits && std::all_of(text.begin(), text.end(), digit)
               ? text.toInt()
               : -1;
}

// "3.Prefix" -> 3 and "prefix"; 0 when the key names no material (1 .. 999).
int materialOfKey(const QString &key, QString *field)
{
    const qsizetype dot = key.indexOf(u'.');
    const int n = dot < 0 ? -1 : number(QStringView(key).left(dot), 3);
    *field = key.mid(dot + 1).trimmed().toLower();
    return n > 0 && !field->isEmpty() ? n : 0;
}

std::optional<QDate> parseDay(const QString &text)
{
    if (text.isEmpty())
        return QDate();
    QDate day = QDate::fromString(text, Qt::ISODate);
    if (!day.isValid())
        day = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    return day.isValid() ? std::optional<QDate>(day) : std::nullopt;
}

QString formatDay(const QDate &day)
{
    return day.isValid() ? day.toString(Qt::ISODate) : QString();
}

// "07" and "7" name one column.
QString sameField(const QString &field)
{
    const int col = number(field, 6);
    return col >= 0 ? QString::number(col) : field;
}

// A material's fields in file order, lower-case names, the first line of each.
using Fields = QList<std::pair<QString, QString>>;

bool isKnownField(const QString &field)
{
    return field == NameField || field == LotField || field == PrefixField || field == ExpiresField
           || number(field, 6) >= 0;
}

QString valueOf(const Fields &fields, const QString &name)
{
    for (const auto &[field, value] : fields) {
        if (field == name)
            return value;
    }
    return {};
}

void readColumns(const Fields &fields, int n, int firstCol, int lastCol, ControlMaterial *m,
                 QStringList *notes)
{
    QList<int> seen;
    for (const auto &[field, value] : fields) {
        const int col = number(field, 6);
        // "7" and "07" name one column; its first line is the one read.
        if (col < 0 || seen.contains(col))
            continue;
        seen << col;
        if (col < firstCol || col > lastCol) {
            notes->append(Str::QcNoteNoColumn.arg(n).arg(col));
            continue;
        }
        if (value.isEmpty())
            continue;
        ControlMaterials::ParseError why = ControlMaterials::ParseError::None;
        const std::optional<ControlTarget> t = ControlMaterials::parseTarget(value, &why);
        if (why == ControlMaterials::ParseError::SdNotPositive)
            notes->append(Str::QcNoteBadSd.arg(n).arg(col).arg(quoted(value)));
        else if (!t)
            notes->append(Str::QcNoteBadTarget.arg(n).arg(col).arg(quoted(value)));
        else
            m->setTarget(col, *t);
    }
}

} // namespace

bool ControlMaterials::append(const ControlMaterial &material)
{
    if (material.prefix.isEmpty())
        return false;
    for (const ControlMaterial &m : m_list) {
        if (m.prefix.compare(material.prefix, Qt::CaseInsensitive) == 0)
            return false;
    }
    m_list.append(material);
    return true;
}

int ControlMaterials::materialFor(QStringView label) const
{
    int best = -1;
    for (int i = 0; i < m_list.size(); ++i) {
        if (m_list[i].matches(label)
            && (best < 0 || m_list[i].prefix.size() > m_list[best].prefix.size()))
            best = i;
    }
    return best;
}

std::optional<ControlTarget> ControlMaterials::parseTarget(QStringView value, ParseError *why)
{
    ParseError dummy = ParseError::None;
    ParseError &error = why ? *why : dummy;
    error = ParseError::None;
    const QStringView text = value.trimmed();
    const qsizetype semi = text.indexOf(u';');
    if (semi < 0 || text.indexOf(u';', semi + 1) >= 0) {
        error = ParseError::NotPair;
        return std::nullopt;
    }
    // Written with a point; a comma from a hand edit reads the same.
    static const TCellNumber reader{QLocale(QLocale::Russian)};
    const std::optional<double> target = reader.read(text.left(semi));
    const std::optional<double> sd = reader.read(text.mid(semi + 1));
    if (!target || !sd) {
        error = ParseError::NotNumber;
        return std::nullopt;
    }
    const ControlTarget t{*target, *sd};
    if (!t.isSet()) {
        error = ParseError::SdNotPositive;
        return std::nullopt;
    }
    return t;
}

QString ControlMaterials::formatTarget(const ControlTarget &target)
{
    const QLocale c = QLocale::c();
    const auto side = [&](double v) {
        return c.toString(v == 0 ? 0.0 : v, 'g', QLocale::FloatingPointShortest);
    };
    return target.isSet() ? side(target.target) + u';' + side(target.sd) : QString();
}

ControlMaterials ControlMaterials::read(const TIniPlus &ini, int firstCol, int lastCol,
                                        QStringList *noteList)
{
    QStringList notes;
    QMap<int, Fields> byNumber;
    for (const QString &key : ini.ReadSection(Section)) {
        QString field;
        const int n = materialOfKey(key, &field);
        // A field the program does not know neither makes nor keeps a material.
        if (n == 0 ? !QcSchedule::owns(key) : !isKnownField(field))
            notes.append(Str::QcNoteBadKey.arg(quoted(key)));
        if (n == 0 || !isKnownField(field))
            continue;
        // A key given twice reads as its first line, as every other setting does.
        Fields &fields = byNumber[n];
        if (std::none_of(fields.begin(), fields.end(),
                         [&](const auto &f) { return f.first == field; }))
            fields.append({field, ini.ReadString(Section, key, QString())});
    }

    ControlMaterials materials;
    for (auto it = byNumber.begin(); it != byNumber.end(); ++it) {
        const int n = it.key();
        const Fields &fields = it.value();
        if (std::all_of(fields.begin(), fields.end(),
                        [](const auto &f) { return f.second.isEmpty(); }))
            continue;
        ControlMaterial m;
        m.name = valueOf(fields, NameField);
        m.lot = valueOf(fields, LotField);
        m.prefix = valueOf(fields, PrefixField);
        const std::optional<QDate> expires = parseDay(valueOf(fields, ExpiresField));
        if (m.name.isEmpty()) {
            notes.append(Str::QcNoteNoName.arg(n));
            continue;
        }
        if (m.prefix.isEmpty()) {
            notes.append(Str::QcNoteNoPrefix.arg(n));
            continue;
        }
        if (!expires) {
            notes.append(Str::QcNoteBadDate.arg(n).arg(quoted(valueOf(fields, ExpiresField))));
            continue;
        }
        m.expires = *expires;
        readColumns(fields, n, firstCol, lastCol, &m, &notes);
        if (!materials.append(m))
            notes.append(Str::QcNoteSamePrefix.arg(n).arg(quoted(m.prefix)));
    }
    if (noteList) {
        *noteList << notes.mid(0, MaxNotes);
        if (notes.size() > MaxNotes)
            noteList->append(Str::QcNoteMore.arg(notes.size() - MaxNotes));
    }
    return materials;
}

bool ControlMaterials::write(TIniPlus &ini) const
{
    // A field keeps the key spelling the file gave it first ("1.07", "1.NAME"), so that the
    // line written is the line read.
    QHash<QString, QString> spelled; // "1.7", "1.name" -> the file's key
    QStringList fileIds;
    for (const QString &key : ini.ReadSection(Section)) {
        QString field;
        const int n = materialOfKey(key, &field);
        const QString id = QString::number(n) + u'.' + sameField(field);
        if (n > 0 && isKnownField(field) && !spelled.contains(id)) {
            spelled.insert(id, key);
            fileIds << id;
        }
    }
    QList<std::pair<QString, QString>> wanted; // key, value
    QSet<QString> ids;
    const auto want = [&](int n, const QString &field, const QString &value) {
        const QString id = QString::number(n) + u'.' + sameField(field.toLower());
        wanted.append({spelled.value(id, QString::number(n) + u'.' + field), value});
        ids.insert(id);
    };
    for (int i = 0; i < m_list.size(); ++i) {
        const ControlMaterial &m = m_list[i];
        want(i + 1, QStringLiteral("Name"), m.name);
        want(i + 1, QStringLiteral("Lot"), m.lot);
        want(i + 1, QStringLiteral("Prefix"), m.prefix);
        want(i + 1, QStringLiteral("Expires"), formatDay(m.expires));
        for (int col : m.columns())
            want(i + 1, QString::number(col), formatTarget(m.target(col)));
    }
    // Keys of materials and columns no longer there are blanked; a field the program does
    // not know is left as it stands.
    for (const QString &id : fileIds) {
        if (!ids.contains(id))
            wanted.append({spelled.value(id), QString()});
    }

    bool ok = true;
    for (const auto &[key, value] : wanted) {
        const QString held = ini.ReadString(Section, key, QString());
        if (held == value)
            continue;
        QString field;
        materialOfKey(key, &field);
        // A line that reads as what it should say ("3,52;0,030", "31.01.2027") stays.
        const std::optional<ControlTarget> heldTarget = parseTarget(held);
        const std::optional<ControlTarget> newTarget = parseTarget(value);
        const bool sameTarget = number(field, 6) >= 0 && heldTarget && newTarget
                                && *heldTarget == *newTarget;
        const bool sameDay = field == ExpiresField && parseDay(held) == parseDay(value);
        if (!sameTarget && !sameDay)
            ok = ini.WriteString(Section, key, value) && ok;
    }
    return ok;
}
