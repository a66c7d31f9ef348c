#pragma once

// Where the operator left the window: its size, position and maximised state, kept in the
// section "Window" of its settings file (keys Left, Top, Width, Height, Maximized). Without
// them the window opens as it always did; a window closed where it opened writes nothing.

#include <QObject>
#include <QPoint>
#include <QSize>

class QMainWindow;
class TIniPlus;

class TWindowPlacement : public QObject
{
    Q_OBJECT
public:
    // Reads the settings file now; the window is not shown yet.
    TWindowPlacement(QMainWindow *window, const TIniPlus &ini);

    // Into the window's settings as they are written on closing; only when moved or resized.
    void writeSettings(TIniPlus &ini) const;

private:
    struct Place
    {
        QPoint pos;
        QSize size;
        bool maximized = false;
        bool operator==(const Place &) const = default;
    };
    Place current() const;
    bool eventFilter(QObject *watched, QEvent *event) override;

    QMainWindow *m_window = nullptr;
    Place m_opened; // as the window was placed when it opened
    Place m_normal; // where it was last in its normal state
};
