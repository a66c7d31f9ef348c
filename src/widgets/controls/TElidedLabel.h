#pragma once

// A status-bar label that keeps to one line and never widens its window: a text longer than
// the room it gets is cut with "…" (line breaks read as spaces), and its tooltip then carries
// the whole text before the details. text() stays the whole text.

#include <QLabel>

class TElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TElidedLabel(QWidget *parent = nullptr);

    // The text, and the details the tooltip shows (alone while the text shows whole).
    void setFullText(const QString &text, const QString &detail = QString());
    // The line as painted.
    QString shownText() const;
    bool elided() const { return shownText() != text(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QString oneLine() const;
    QRect textRect() const;
    void updateTip();

    QString m_detail;
};
