#include "quality/TLimitColors.h"

#include <cmath>

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLinearGradient>
#include <QPointer>
#include <QToolTip>

#include "table/TRowStore.h"
#include "table/TableShape.h"
#include "text/QualityStrings.h"

namespace {

constexpr double MinContrast = 4.5;
// A selected mark must stand apart from the plain selection around it.
constexpr int MinDistanceFromHighlight = 80;

double channel(int c)
{
    const double s = c / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &c)
{
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

QColor mix(const QColor &a, const QColor &b, double weightOfA)
{
    const auto m = [&](int x, int y) {
        return int(std::lround(x * weightOfA + y * (1 - weightOfA)));
    };
    return QColor(m(a.red(), b.red()), m(a.green(), b.green()), m(a.blue(), b.blue()));
}

int distance(const QColor &a, const QColor &b)
{
    const int r = a.red() - b.red();
    const int g = a.green() - b.green();
    const int bl = a.blue() - b.blue();
    return int(std::sqrt(double(r * r + g * g + bl * bl)));
}

// A light tint of the hue on the cell's background, moved toward the background until the
// cell's text reads on it.
QColor tint(const QColor &hue, const QColor &base, const QColor &text)
{
    QColor shade = mix(hue, base, 0.4);
    for (int i = 0; i < 30 && TLimitColors::contrast(shade, text) < MinContrast; ++i)
        shade = mix(shade, base, 0.8);
    return shade;
}

// The hue itself under selected text, darkened (or lightened, for dark text) until the
// text reads on it and it stands apart from the selection colour.
QColor strong(const QColor &hue, const QColor &text, const QColor &highlight)
{
    const QColor away = luminance(text) > 0.5 ? QColor(Qt::black) : QColor(Qt::white);
    QColor shade = hue;
    for (int i = 0; i < 30
                    && (TLimitColors::contrast(shade, text) < MinContrast
                        || distance(shade, highlight) < MinDistanceFromHighlight);
         ++i)
        shade = mix(shade, away, 0.85);
    return shade;
}

} // namespace

TLimitColors::TLimitColors(TColorStringGrid *grid, const QLocale &locale)
    : QObject(grid)
    , m_grid(grid)
    , m_marks(TCellNumber(locale))
{
    QAbstractItemModel *model = grid->model();
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &tl, const QModelIndex &br) {
                m_marks.forget(tl.row(), br.row());
            });
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                m_marks.inserted(first, last - first + 1);
            });
    connect(model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                m_marks.removed(first, last - first + 1);
            });
    const auto reset = [this] { m_marks.reset(); };
    connect(model, &QAbstractItemModel::modelReset, this, reset);
    connect(model, &QAbstractItemModel::layoutChanged, this, reset);
    connect(model, &QAbstractItemModel::columnsInserted, this, reset);
    connect(model, &QAbstractItemModel::columnsRemoved, this, reset);
    grid->viewport()->installEventFilter(this);
}

// The grid is not touched here: as the grid's child this may run when the grid is half
// gone. A hook left behind finds this object gone and leaves every cell plain.
TLimitColors::~TLimitColors() = default;

void TLimitColors::setLimits(const TLimits &limits)
{
    m_marks.setLimits(limits);
    hook(!limits.isEmpty());
}

void TLimitColors::hook(bool on)
{
    if (on) {
        QPointer<TLimitColors> self(this);
        m_grid->OnGetCellColor = [self](TColorStringGrid *, int row, int col, TGridDrawState state,
                                        QBrush &brush, QFont &) {
            if (self)
                self->paintCell(row, col, state, brush);
        };
    } else {
        m_grid->OnGetCellColor = nullptr;
    }
    m_grid->viewport()->update();
}

TVerdict TLimitColors::verdict(int col, int row)
{
    return m_marks.verdict(m_grid->Rows(), row - 1, col);
}

quint8 TLimitColors::rowMark(int row)
{
    return m_marks.rowMark(m_grid->Rows(), row - 1);
}

void TLimitColors::paintCell(int row, int col, TGridDrawState state, QBrush &brush)
{
    if (state & gdFixed || row < 1)
        return;
    quint8 mark = TRowMarks::NoMark;
    if (col == TableShape::LabelCol) {
        mark = rowMark(row);
    } else {
        const TVerdict v = verdict(col, row);
        if (v == TVerdict::Below)
            mark = TRowMarks::BelowMark;
        else if (v == TVerdict::Above)
            mark = TRowMarks::AboveMark;
    }
    if (mark != TRowMarks::NoMark)
        brush = this->brush(mark, state & gdSelected, m_grid->isActiveWindow());
}

double TLimitColors::contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

const TLimitColors::TShades &TLimitColors::shades(bool selected, bool active)
{
    const QPalette &palette = m_grid->palette();
    if (palette.cacheKey() != m_paletteKey) {
        m_paletteKey = palette.cacheKey();
        for (auto &row : m_known)
            row[0] = row[1] = false;
    }
    TShades &s = m_shades[selected][active];
    if (!m_known[selected][active]) {
        const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;
        if (selected) {
            const QColor text = palette.color(group, QPalette::HighlightedText);
            const QColor highlight = palette.color(group, QPalette::Highlight);
            s.below = strong(belowHue(), text, highlight);
            s.above = strong(aboveHue(), text, highlight);
        } else {
            const QColor base = palette.color(group, QPalette::Base);
            const QColor text = palette.color(group, QPalette::Text);
            s.below = tint(belowHue(), base, text);
            s.above = tint(aboveHue(), base, text);
        }
        m_known[selected][active] = true;
    }
    return s;
}

QBrush TLimitColors::brush(quint8 mark, bool selected, bool active)
{
    const TShades &s = shades(selected, active);
    if (mark == TRowMarks::BelowMark)
        return s.below;
    if (mark == TRowMarks::AboveMark)
        return s.above;
    // Both kinds in the row: the label cell is half blue, half orange.
    QLinearGradient split(0, 0, 1, 0);
    split.setCoordinateMode(QGradient::ObjectMode);
    split.setColorAt(0, s.below);
    split.setColorAt(0.5, s.below);
    split.setColorAt(0.5001, s.above);
    split.setColorAt(1, s.above);
    return QBrush(split);
}

void TLimitColors::markExport(TExportTable &table)
{
    if (limits().isEmpty())
        return;
    table.limitClass = [this](int col, int row) {
        switch (verdict(col, TableShape::gridRow(row))) {
        case TVerdict::Below:
            return TLimitClass::Below;
        case TVerdict::Above:
            return TLimitClass::Above;
        default:
            return TLimitClass::Within;
        }
    };
    table.belowColour = brush(TRowMarks::BelowMark, false, false).color().rgb() & 0xFFFFFF;
    table.aboveColour = brush(TRowMarks::AboveMark, false, false).color().rgb() & 0xFFFFFF;
}

QString TLimitColors::toolTip(int col, int row)
{
    const TRowStore &rows = m_grid->Rows();
    if (limits().isEmpty() || row < 1 || row > rows.RowCount() || col < 0 || col >= rows.ColCount())
        return {};
    if (col != TableShape::LabelCol)
        return limits().tip(col, rows.Cell(col, row - 1), m_marks.reader());
    QStringList lines;
    for (int c : limits().columns()) {
        if (c >= rows.ColCount())
            break;
        const QString tip = limits().tip(c, rows.Cell(c, row - 1), m_marks.reader());
        if (tip.isEmpty())
            continue;
        QString title = m_grid->Cells(c, 0);
        if (title.isEmpty())
            title = Str::LimitsUntitled.arg(c);
        lines << title + QStringLiteral(": ") + tip;
    }
    return lines.join(u'\n');
}

bool TLimitColors::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || watched != m_grid->viewport())
        return QObject::eventFilter(watched, event);
    auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex index = m_grid->indexAt(help->pos());
    const QString text = index.isValid() ? toolTip(index.column(), index.row() + 1) : QString();
    if (text.isEmpty())
        return false;
    QToolTip::showText(help->globalPos(), text, m_grid->viewport(), m_grid->visualRect(index));
    return true;
}
