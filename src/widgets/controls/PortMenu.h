#pragma once

#include <QString>

class QMenu;

// Replaces the menu's items by one radio item per serial port present (one exclusive group
// owned by the menu). Each item's objectName and text are the port name; the item of
// currentPort (exact, case-sensitive match) is checked.
void BuildPortMenu(QMenu *menu, const QString &currentPort,
                   const QString &sysfsRoot = QStringLiteral("/sys/class/tty"));
