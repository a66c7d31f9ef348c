#include "windows/TWindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QRect>
#include <QScreen>

#include "settings/TIniPlus.h"

namespace {
const QString kSection = QStringLiteral("Window");
const QString kLeft = QStringLiteral("Left");
const QString kTop = QStringLiteral("Top");
const QString kWidth = QStringLiteral("Width");
const QString kHeight = QStringLiteral("Height");
const QString kMaximized = QStringLiteral("Maximized");

// A window put back on a screen that is no longer there would open out of reach.
bool onSomeScreen(const QRect &r)
{
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect shared = screen->availableGeometry().intersected(r);
        if (shared.width() >= 100 && shared.height() >= 50)
            return true;
    }
    return false;
}
} // namespace

TWindowPlacement::TWindowPlacement(QMainWindow *window, const TIniPlus &ini)
    : QObject(window)
    , m_window(window)
{
    setObjectName(QStringLiteral("WindowPlacement"));
    bool maximized = false;
    {
        const QSize size(ini.ReadInteger(kSection, kWidth, 0),
                         ini.ReadInteger(kSection, kHeight, 0));
        // Never smaller than the window can lay itself out in, never larger than it can be made.
        if (size.width() > 0 && size.height() > 0)
            window->resize(
                size.expandedTo(window->minimumSizeHint()).boundedTo(QSize(32767, 32767)));
        if (ini.ValueExists(kSection, kLeft) && ini.ValueExists(kSection, kTop)) {
            const QPoint pos(ini.ReadInteger(kSection, kLeft, 0),
                             ini.ReadInteger(kSection, kTop, 0));
            if (onSomeScreen(QRect(pos, window->size())))
                window->move(pos);
        }
        maximized = ini.ReadBool(kSection, kMaximized, false);
    }
    m_opened = {window->pos(), window->size(), false};
    if (maximized) {
        m_opened.maximized = true;
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
    }
    m_normal = m_opened;
    window->installEventFilter(this);
}

bool TWindowPlacement::eventFilter(QObject *watched, QEvent *event)
{
    // The place to go back to is the last one the window had in its normal state.
    const auto special = Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen;
    if (watched == m_window && (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        && !(m_window->windowState() & special))
        m_normal = {m_window->pos(), m_window->size(), false};
    return QObject::eventFilter(watched, event);
}

TWindowPlacement::Place TWindowPlacement::current() const
{
    // A maximised window keeps the place it had before, to go back to.
    if (m_window->isMaximized())
        return {m_normal.pos, m_normal.size, true};
    return {m_window->pos(), m_window->size(), false};
}

void TWindowPlacement::writeSettings(TIniPlus &ini) const
{
    const Place place = current();
    if (place == m_opened)
        return;
    ini.WriteInteger(kSection, kLeft, place.pos.x());
    ini.WriteInteger(kSection, kTop, place.pos.y());
    ini.WriteInteger(kSection, kWidth, place.size.width());
    ini.WriteInteger(kSection, kHeight, place.size.height());
    ini.WriteBool(kSection, kMaximized, place.maximized);
}
