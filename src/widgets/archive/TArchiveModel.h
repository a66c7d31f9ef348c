#pragma once

// The archive's search hits as a table: the label with its edited mark, date, time, instrument,
// group and each value. The values are the numbers the instrument sent; an empty cell is a
// value its reply did not carry.

#include <vector>

#include <QAbstractTableModel>
#include <QLocale>
#include <QStringList>

#include "archive/ArchiveRecords.h"
#include "export/TExportTable.h"

class TArchiveModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        LabelColumn,
        EditedColumn,
        DateColumn,
        TimeColumn,
        ModelColumn,
        GroupColumn,
        FirstValueColumn
    };

    explicit TArchiveModel(QObject *parent = nullptr);

    void setHits(std::vector<TArchiveHit> hits);
    const std::vector<TArchiveHit> &hits() const { return m_hits; }
    const TArchiveHit &hit(int row) const { return m_hits[size_t(row)]; }

    // The titles of the value columns, value 0 first; values without one are numbered.
    void setValueTitles(const QStringList &titles);
    // Dates, times and values as the tables show them in this locale (the system's by default).
    void setLocale(const QLocale &locale);

    // The hits as an export writes them: the columns shown, the values and groups from their
    // numbers rather than from the texts. The model must outlive the table.
    TExportTable exportTable() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QString text(const TArchiveHit &hit, int column) const;

    std::vector<TArchiveHit> m_hits;
    int m_valueCount = 0;
    QStringList m_valueTitles;
    QLocale m_locale = QLocale::system();
};
