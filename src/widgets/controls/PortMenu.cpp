#include "controls/PortMenu.h"

#include <QActionGroup>
#include <QMenu>

#include "serial/PortList.h"

namespace {
const QString groupName = QStringLiteral("portGroup");
}

void BuildPortMenu(QMenu *menu, const QString &currentPort, const QString &sysfsRoot)
{
    // clear() deletes the items the menu owns; the group of the last build goes with them.
    menu->clear();
    qDeleteAll(menu->findChildren<QActionGroup *>(groupName, Qt::FindDirectChildrenOnly));

    auto *group = new QActionGroup(menu);
    group->setObjectName(groupName);
    group->setExclusive(true);
    const QString list = enumComPorts(sysfsRoot);
    for (const QString &name : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        auto *item = new QAction(name, menu);
        item->setObjectName(name);
        item->setCheckable(true);
        item->setChecked(name == currentPort);
        item->setActionGroup(group);
        menu->addAction(item);
    }
}
