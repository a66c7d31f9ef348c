#pragma once

// Lets the grid's owner refuse a move of the current cell before it happens (the grid's
// OnSelectCell), whether the move comes from the keyboard, the mouse or code.

#include <functional>

#include <QItemSelectionModel>

class TGridSelectionModel : public QItemSelectionModel
{
    Q_OBJECT

public:
    using Gate = std::function<bool(const QModelIndex &)>;

    TGridSelectionModel(QAbstractItemModel *model, QObject *parent, Gate gate)
        : QItemSelectionModel(model, parent)
        , m_gate(std::move(gate))
    {}

    void setCurrentIndex(const QModelIndex &index,
                         QItemSelectionModel::SelectionFlags command) override
    {
        if (index.isValid() && index != currentIndex() && m_gate && !m_gate(index))
            return;
        QItemSelectionModel::setCurrentIndex(index, command);
    }

private:
    Gate m_gate;
};
