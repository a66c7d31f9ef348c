#include "quality/TStatsBar.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

#include "controls/TColorStringGrid.h"
#include "settings/TIniPlus.h"
#include "table/TableShape.h"
#include "text/QualityStrings.h"

namespace {
const QString WindowSection = QStringLiteral("Window");
const QString StatisticsKey = QStringLiteral("Statistics");
} // namespace

TStatsBar::TStatsBar(TColorStringGrid *grid, QWidget *parent, const QLocale &locale)
    : QWidget(parent)
    , m_grid(grid)
    , m_locale(locale)
    , m_stats(TCellNumber(locale))
{
    setFont(grid->font());
    setFocusPolicy(Qt::ClickFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    m_toggle = new QAction(Str::ActStatistics, this);
    m_toggle->setCheckable(true);
    m_toggle->setChecked(true);
    connect(m_toggle, &QAction::toggled, this, &TStatsBar::setVisible);

    m_copy = new QAction(Str::ActCopy, this);
    m_copy->setShortcut(QKeySequence::Copy);
    m_copy->setShortcutContext(Qt::WidgetShortcut);
    connect(m_copy, &QAction::triggered, this, &TStatsBar::copy);
    addAction(m_copy);
    addAction(m_toggle);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    connectGrid();
    reshape();
}

void TStatsBar::connectGrid()
{
    QAbstractItemModel *model = m_grid->model();
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &tl, const QModelIndex &br) {
                if (br.column() < TableShape::FirstValueCol)
                    return; // a label: nothing counted changed
                m_stats.rowsChanged(m_grid->Rows(), tl.row(), br.row());
                changed();
            });
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                m_stats.rowsInserted(m_grid->Rows(), first, last);
                changed();
            });
    connect(model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                m_stats.rowsRemoved(m_grid->Rows(), first, last);
                changed();
            });
    connect(model, &QAbstractItemModel::modelReset, this, &TStatsBar::reshape);
    connect(model, &QAbstractItemModel::layoutChanged, this, &TStatsBar::reshape);
    connect(model, &QAbstractItemModel::columnsInserted, this, &TStatsBar::reshape);
    connect(model, &QAbstractItemModel::columnsRemoved, this, &TStatsBar::reshape);
    connect(model, &QAbstractItemModel::headerDataChanged, this, [this] { update(); });
    connect(m_grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TStatsBar::changed);

    QHeaderView *top = m_grid->horizontalHeader();
    connect(top, &QHeaderView::sectionResized, this, [this] { update(); });
    connect(top, &QHeaderView::sectionCountChanged, this, [this] { update(); });
    connect(top, &QHeaderView::geometriesChanged, this, [this] { update(); });
    connect(m_grid->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { update(); });
    m_header = top;
    top->installEventFilter(this);
}

void TStatsBar::reshape()
{
    m_stats.setShape(TableShape::FirstValueCol, m_grid->ColCount());
    m_stats.rebuild(m_grid->Rows());
    changed();
}

void TStatsBar::setLimits(const TLimits &limits)
{
    const bool lines = limits.isEmpty() != m_stats.limits().isEmpty();
    m_stats.setLimits(limits);
    if (lines)
        updateGeometry();
    changed();
}

bool TStatsBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_header && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        update();
    return QWidget::eventFilter(watched, event);
}

QList<std::pair<int, int>> TStatsBar::selectedRows(int *count) const
{
    QList<std::pair<int, int>> ranges;
    for (const QItemSelectionRange &r : m_grid->selectionModel()->selection())
        ranges.append({r.top(), r.bottom()});
    std::sort(ranges.begin(), ranges.end());
    *count = 0;
    int done = -1;
    for (const auto &[top, bottom] : ranges) {
        *count += qMax(0, bottom - qMax(top, done + 1) + 1);
        done = qMax(done, bottom);
    }
    return ranges;
}

bool TStatsBar::showsSelection() const
{
    shown();
    return m_selection;
}

std::vector<TStat> TStatsBar::shown() const
{
    if (m_dirty) {
        int count = 0;
        const auto ranges = selectedRows(&count);
        m_selection = count >= 2;
        m_shown = m_selection ? m_stats.forRows(ranges) : m_stats.totals();
        m_dirty = false;
    }
    return m_shown;
}

QString TStatsBar::text() const
{
    const std::vector<TStat> stats = shown();
    QList<StatsText::TColumn> columns;
    for (int k = 0; k < int(stats.size()); ++k) {
        const int col = TableShape::FirstValueCol + k;
        if (m_grid->horizontalHeader()->isSectionHidden(col))
            continue;
        QString title = m_grid->Cells(col, 0);
        if (title.isEmpty())
            title = Str::LimitsUntitled.arg(col);
        columns.append({title, stats[k], m_stats.limits().limit(col).isSet()});
    }
    return StatsText::tsv(columns, !m_stats.limits().isEmpty(), m_selection, m_locale);
}

void TStatsBar::copy() const
{
    QApplication::clipboard()->setText(text());
}

void TStatsBar::restore(const TIniPlus &ini, bool limitsSet)
{
    m_inFile = ini.ValueExists(WindowSection, StatisticsKey);
    setVisible(m_inFile ? ini.ReadBool(WindowSection, StatisticsKey, true) : limitsSet);
    m_restoredShown = !isHidden();
}

bool TStatsBar::save(TIniPlus &ini) const
{
    if (!m_inFile && !isHidden() == m_restoredShown)
        return true; // never chosen: the file stays as it was
    return ini.WriteBool(WindowSection, StatisticsKey, !isHidden());
}

void TStatsBar::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    const QSignalBlocker block(m_toggle);
    m_toggle->setChecked(visible);
}

int TStatsBar::lineHeight() const
{
    return fontMetrics().height() + 4;
}

QSize TStatsBar::sizeHint() const
{
    const int lines = int(StatsText::lines(!m_stats.limits().isEmpty()).size());
    return {m_grid->sizeHint().width(), lines * lineHeight() + 2};
}

QRect TStatsBar::namesRect() const
{
    const QHeaderView *top = m_grid->horizontalHeader();
    const int viewLeft = mapFromGlobal(top->viewport()->mapToGlobal(QPoint(0, 0))).x();
    const int gridLeft = mapFromGlobal(m_grid->mapToGlobal(QPoint(0, 0))).x();
    int right = viewLeft;
    for (int col = TableShape::FirstValueCol; col < m_grid->ColCount(); ++col) {
        if (!top->isSectionHidden(col)) {
            right = qMax(viewLeft, viewLeft + top->sectionViewportPosition(col));
            break;
        }
    }
    return QRect(QPoint(gridLeft, 0), QPoint(right - 1, height() - 1));
}

QRect TStatsBar::columnRect(int col) const
{
    const QHeaderView *top = m_grid->horizontalHeader();
    if (col < 0 || col >= m_grid->ColCount() || top->isSectionHidden(col))
        return {};
    const int viewLeft = mapFromGlobal(top->viewport()->mapToGlobal(QPoint(0, 0))).x();
    const QRect column(viewLeft + top->sectionViewportPosition(col), 0, top->sectionSize(col),
                       height());
    const QRect view(viewLeft, 0, top->viewport()->width(), height());
    return column.intersects(view) ? column : QRect();
}

void TStatsBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const std::vector<TStat> stats = shown();
    const QList<TStatLine> lines = StatsText::lines(!m_stats.limits().isEmpty());
    const int lh = lineHeight();
    const QColor textColour = palette().color(QPalette::WindowText);

    const QRect names = namesRect();
    p.setPen(textColour);
    for (int i = 0; i < lines.size(); ++i) {
        const QRect r(names.left() + 2, i * lh, names.width() - 4, lh);
        p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter,
                   fontMetrics().elidedText(StatsText::lineName(lines[i], m_selection),
                                            Qt::ElideRight, r.width()));
    }

    // Values never run into the names, nor past the grid's right edge.
    const QHeaderView *top = m_grid->horizontalHeader();
    const int viewRight = mapFromGlobal(top->viewport()->mapToGlobal(QPoint(0, 0))).x()
                          + top->viewport()->width();
    p.setClipRect(QRect(names.right() + 1, 0, qMax(0, viewRight - names.right() - 1), height()));
    for (int k = 0; k < int(stats.size()); ++k) {
        const int col = TableShape::FirstValueCol + k;
        const QRect c = columnRect(col);
        if (c.isEmpty())
            continue;
        const bool limited = m_stats.limits().limit(col).isSet();
        p.setPen(textColour);
        for (int i = 0; i < lines.size(); ++i) {
            const QString text = StatsText::cell(lines[i], stats[k], limited, m_locale);
            p.drawText(QRect(c.left() + 2, i * lh, c.width() - 4, lh),
                       Qt::AlignLeft | Qt::AlignVCenter,
                       fontMetrics().elidedText(text, Qt::ElideRight, c.width() - 4));
        }
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(c.right(), 0, c.right(), height());
    }
}
