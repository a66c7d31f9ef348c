#include "controls/TElidedLabel.h"

#include <algorithm>

#include <QEvent>
#include <QPainter>
#include <QStyle>

namespace {
// The least a long text keeps: its first words and the "…".
constexpr int kLeastChars = 12;
} // namespace

TElidedLabel::TElidedLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TElidedLabel::setFullText(const QString &text, const QString &detail)
{
    m_detail = detail;
    setText(text);
    updateGeometry();
    updateTip();
    update();
}

QString TElidedLabel::oneLine() const
{
    QString line = text();
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

QRect TElidedLabel::textRect() const
{
    const int m = margin();
    return contentsRect().adjusted(m, m, -m, -m);
}

QString TElidedLabel::shownText() const
{
    return fontMetrics().elidedText(oneLine(), Qt::ElideRight, textRect().width());
}

QSize TElidedLabel::sizeHint() const
{
    const QMargins frame = contentsMargins();
    const int extra = 2 * margin();
    return {fontMetrics().horizontalAdvance(oneLine()) + frame.left() + frame.right() + extra,
            fontMetrics().height() + frame.top() + frame.bottom() + extra};
}

QSize TElidedLabel::minimumSizeHint() const
{
    const QSize whole = sizeHint();
    const int least = fontMetrics().averageCharWidth() * kLeastChars;
    return {std::min(whole.width(), least), whole.height()};
}

void TElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    drawFrame(&p);
    style()->drawItemText(&p, textRect(), int(alignment()) | Qt::TextSingleLine, palette(),
                          isEnabled(), shownText(), foregroundRole());
}

void TElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    updateTip();
}

void TElidedLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateTip();
}

void TElidedLabel::updateTip()
{
    QString tip = m_detail;
    if (elided() && !text().contains(m_detail))
        tip = text() + QStringLiteral("\n\n") + m_detail;
    else if (elided())
        tip = text();
    if (tip != toolTip())
        setToolTip(tip);
}
