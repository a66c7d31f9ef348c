#include "settings/ColumnWidths.h"

#include <QStringList>

std::map<int, int> ColumnWidths::parse(const QString &text, int colCount)
{
    std::map<int, int> out;
    for (const QString &pair : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = pair.split(QLatin1Char(':'));
        if (parts.size() != 2)
            continue;
        bool colOk = false;
        bool widthOk = false;
        const int col = parts[0].trimmed().toInt(&colOk);
        const int width = parts[1].trimmed().toInt(&widthOk);
        if (colOk && widthOk && col >= 0 && col < colCount && width >= MinWidth && width <= MaxWidth)
            out[col] = width;
    }
    return out;
}

QString ColumnWidths::format(const std::map<int, int> &widths)
{
    QStringList parts;
    for (const auto &[col, width] : widths)
        parts << QStringLiteral("%1:%2").arg(col).arg(width);
    return parts.join(QLatin1Char(','));
}
