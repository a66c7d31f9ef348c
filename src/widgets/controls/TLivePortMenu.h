#pragma once

// The poll button's port menu, made again each time it opens so that an adapter plugged in
// later appears. The sorted port list stays its base (BuildPortMenu); each item shows the
// adapter's description beside the port name (its objectName stays the name), USB adapters
// are offered under their stable /dev/serial/by-id names too, the ports named in
// REG01_EXTRA_PORTS (colon-separated paths) always stand in it, the current port is always
// shown and checked, and "Другой порт…" takes any device path.

#include <functional>

#include <QObject>
#include <QStringList>

class QAction;
class QMenu;

class TLivePortMenu : public QObject
{
    Q_OBJECT
public:
    TLivePortMenu(QMenu *menu, std::function<QString()> currentPort, QObject *parent = nullptr);

    // Asks for a device path, starting at the current port; empty when cancelled.
    std::function<QString(const QString &current)> askPortPath;
    QString sysfsRoot = QStringLiteral("/sys/class/tty");
    QString byIdDir = QStringLiteral("/dev/serial/by-id");
    QStringList extraPorts; // read from REG01_EXTRA_PORTS at construction

    void rebuild();

signals:
    void portChosen(const QString &port);

private:
    QAction *addPort(const QString &name, const QString &text);
    void itemTriggered(QAction *item);

    QMenu *m_menu;
    std::function<QString()> m_currentPort;
    QAction *m_other = nullptr;
};
