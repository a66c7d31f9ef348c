#include "archive/ValueNames.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace {

// A title folded for lookup: lower case, without blanks, dots and hyphens.
QString folded(const QString &title)
{
    QString out;
    for (const QChar c : title.toCaseFolded()) {
        if (c.isLetterOrNumber() || c == QLatin1Char('/'))
            out += c == QChar(0x0451) ? QChar(0x0435) : c; // ё reads as е
    }
    return out;
}

const QHash<QString, QString> &known()
{
    static const QHash<QString, QString> names = [] {
        const std::pair<const char *, const char *> pairs[] = {
            {"Температура", "temperature"},
            {"Жир", "fat"},
            {"СОМО", "snf"},
            {"Плотность", "density"},
            {"Белок", "protein"},
            {"Доб.вода", "added_water"},
            {"Добавленная вода", "added_water"},
            {"Вых.сигнал", "output_signal"},
            {"Лактоза", "lactose"},
            {"Соли", "salts"},
            {"СМО", "total_solids"},
            {"Сухое вещество", "total_solids"},
            {"Т.замерзания", "freezing_point"},
            {"Точка замерзания", "freezing_point"},
            {"Температура замерзания", "freezing_point"},
            {"Ст.гомогенизации", "homogenization"},
            {"Казеин", "casein"},
            {"pH", "ph"},
            {"Электропров.", "conductivity"},
            {"Электропроводность", "conductivity"},
            {"Мочевина", "urea"},
            {"Кислотность", "acidity"},
            {"Сыв.белок", "whey_protein"},
            {"Лимон.к-та", "citric_acid"},
            {"Кальций", "calcium"},
            {"Фосфор", "phosphorus"},
            {"Хлориды", "chlorides"},
            {"Энерг.ценн.", "energy"},
            {"Своб.жир.к-ты", "free_fatty_acids"},
            {"Сомат.клетки", "somatic_cells"},
            {"Жир/белок", "fat_protein_ratio"},
            {"Кетоны", "ketones"},
            {"СОМО сливок", "cream_snf"},
            {"Объём", "volume"},
        };
        QHash<QString, QString> h;
        for (const auto &[title, name] : pairs)
            h.insert(folded(QString::fromUtf8(title)), QString::fromLatin1(name));
        return h;
    }();
    return names;
}

// Russian letters in Latin, as passports spell them.
QString latin(QChar c)
{
    static const char *const table[] = {"a",  "b",    "v", "g", "d", "e",  "zh", "z",
                                        "i",  "y",    "k", "l", "m", "n",  "o",  "p",
                                        "r",  "s",    "t", "u", "f", "kh", "ts", "ch",
                                        "sh", "shch", "",  "y", "",  "e",  "yu", "ya"};
    const char16_t u = c.unicode();
    if (u >= 0x0430 && u <= 0x044f)
        return QString::fromLatin1(table[u - 0x0430]);
    if (u == 0x0451)
        return QStringLiteral("e");
    if (u < 0x80 && c.isLetterOrNumber())
        return QString(c);
    return QStringLiteral("_");
}

// The views' own columns, which no value may take.
const QSet<QString> &taken()
{
    static const QSet<QString> names = {QStringLiteral("id"),          QStringLiteral("station"),
                                        QStringLiteral("seq"),         QStringLiteral("at"),
                                        QStringLiteral("at_ms"),       QStringLiteral("model"),
                                        QStringLiteral("port"),        QStringLiteral("device"),
                                        QStringLiteral("group_no"),    QStringLiteral("label"),
                                        QStringLiteral("first_label"), QStringLiteral("date_text"),
                                        QStringLiteral("time_text"),   QStringLiteral("uid")};
    return names;
}

} // namespace

namespace ValueNames {

QString of(const QString &title)
{
    const QString key = folded(title);
    if (key.isEmpty())
        return QString();
    if (const auto it = known().constFind(key); it != known().constEnd())
        return *it;
    QString out;
    for (const QChar c : title.toCaseFolded())
        out += latin(c);
    // One underscore between words, none at the ends, never a digit first.
    out.replace(QRegularExpression(QStringLiteral("_+")), QStringLiteral("_"));
    while (out.startsWith(QLatin1Char('_')))
        out.remove(0, 1);
    while (out.endsWith(QLatin1Char('_')))
        out.chop(1);
    if (out.isEmpty())
        return QString();
    if (out.front().isDigit())
        out.prepend(QStringLiteral("c_"));
    return out;
}

QStringList forTitles(const QStringList &titles)
{
    QStringList out;
    QSet<QString> used = taken();
    for (qsizetype k = 0; k < titles.size(); ++k) {
        QString name = of(titles[k]);
        if (name.isEmpty())
            name = QStringLiteral("v%1").arg(k);
        if (used.contains(name) || used.contains(name + QStringLiteral("_ok")))
            name += QStringLiteral("_%1").arg(k);
        used.insert(name);
        used.insert(name + QStringLiteral("_ok"));
        out << name;
    }
    return out;
}

} // namespace ValueNames
