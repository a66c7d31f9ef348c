#include "archive/TArchiveModel.h"

#include <algorithm>

#include "results/LocaleFormats.h"
#include "text/Strings.h"

TArchiveModel::TArchiveModel(QObject *parent)
    : QAbstractTableModel(parent)
{}

void TArchiveModel::setHits(std::vector<TArchiveHit> hits)
{
    beginResetModel();
    m_hits = std::move(hits);
    m_valueCount = 0;
    for (const TArchiveHit &hit : m_hits)
        m_valueCount = std::max(m_valueCount, int(hit.result.values.size()));
    endResetModel();
}

void TArchiveModel::setValueTitles(const QStringList &titles)
{
    m_valueTitles = titles;
    if (m_valueCount > 0)
        emit headerDataChanged(Qt::Horizontal, FirstValueColumn,
                               FirstValueColumn + m_valueCount - 1);
}

void TArchiveModel::setLocale(const QLocale &locale)
{
    m_locale = locale;
    if (!m_hits.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int TArchiveModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_hits.size());
}

int TArchiveModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : FirstValueColumn + m_valueCount;
}

QString TArchiveModel::text(const TArchiveHit &hit, int column) const
{
    const TArchiveResult &r = hit.result;
    switch (column) {
    case LabelColumn:
        return hit.label;
    case EditedColumn:
        return hit.edited ? Str::ArchiveEdited : QString();
    case DateColumn:
        return FormatShortDate(r.at.date(), m_locale);
    case TimeColumn:
        return FormatLongTime(r.at.time(), m_locale);
    case ModelColumn:
        return r.model;
    case GroupColumn:
        return QString::number(r.group);
    default:
        break;
    }
    const size_t k = size_t(column - FirstValueColumn);
    return k < r.values.size() && r.values[k] ? FormatValue(*r.values[k], m_locale) : QString();
}

TExportTable TArchiveModel::exportTable() const
{
    TExportTable t = ExportTableOfModel(*this);
    t.locale = m_locale;
    t.kinds.assign(size_t(t.columnCount()), TCellKind::Number);
    t.kinds[LabelColumn] = TCellKind::Text;
    t.kinds[EditedColumn] = TCellKind::Text;
    t.kinds[DateColumn] = TCellKind::Date;
    t.kinds[TimeColumn] = TCellKind::Time;
    t.kinds[ModelColumn] = TCellKind::Text;
    t.kinds[GroupColumn] = TCellKind::Integer;
    t.number = [this](int col, int row) -> std::optional<ShownNumber::Value> {
        const TArchiveResult &r = hit(row).result;
        if (col == GroupColumn)
            return ShownNumber::Value{double(r.group), 0, false};
        const size_t k = size_t(col - FirstValueColumn);
        if (col < FirstValueColumn || k >= r.values.size() || !r.values[k])
            return std::nullopt;
        return shownValue(*r.values[k]);
    };
    return t;
}

QVariant TArchiveModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const TArchiveHit &h = hit(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return text(h, index.column());
    case Qt::ToolTipRole:
        if (h.edited && (index.column() == LabelColumn || index.column() == EditedColumn))
            return Str::ArchiveFirstLabel.arg(h.result.label);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() >= GroupColumn)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant TArchiveModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    switch (section) {
    case LabelColumn:
        return Str::TarvoTitles[1];
    case EditedColumn:
        return Str::ArchiveEditedTitle;
    case DateColumn:
        return Str::TarvoTitles[2];
    case TimeColumn:
        return Str::TarvoTitles[3];
    case ModelColumn:
        return Str::ArchiveModelTitle;
    case GroupColumn:
        return Str::TarvoTitles[4];
    default:
        break;
    }
    const int k = section - FirstValueColumn;
    return k < m_valueTitles.size() && !m_valueTitles[k].isEmpty()
               ? m_valueTitles[k]
               : Str::ArchiveValueTitle.arg(k + 1);
}
