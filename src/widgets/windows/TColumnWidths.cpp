#include "windows/TColumnWidths.h"

#include <algorithm>

#include <QEvent>
#include <QHeaderView>

#include "controls/TColorStringGrid.h"
#include "settings/ColumnWidths.h"
#include "settings/TIniPlus.h"

TColumnWidths::TColumnWidths(TColorStringGrid *grid, const TIniPlus &ini)
    : QObject(grid)
    , m_grid(grid)
{
    setObjectName(QStringLiteral("ColumnWidths"));
    m_widths = ColumnWidths::parse(ini.ReadString(ColumnWidths::Section, ColumnWidths::Key,
                                                  QString()),
                                   grid->ColCount());
    QHeaderView *header = grid->horizontalHeader();
    header->viewport()->installEventFilter(this);
    connect(header, &QHeaderView::sectionResized, this, [this](int col, int, int width) {
        // Only what the operator drags: the width rule resizes columns too.
        if (m_dragging && !m_applying && width >= ColumnWidths::MinWidth)
            m_widths[col] = std::min(width, ColumnWidths::MaxWidth);
    });
}

void TColumnWidths::apply()
{
    m_applying = true;
    for (const auto &[col, width] : m_widths) {
        if (col < m_grid->ColCount() && m_grid->ColWidths(col) > 0)
            m_grid->SetColWidths(col, width);
    }
    m_applying = false;
}

void TColumnWidths::writeSettings(TIniPlus &ini) const
{
    if (!m_widths.empty())
        ini.WriteString(ColumnWidths::Section, ColumnWidths::Key, ColumnWidths::format(m_widths));
}

bool TColumnWidths::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        m_dragging = true;
        break;
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
