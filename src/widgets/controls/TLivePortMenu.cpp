#include "controls/TLivePortMenu.h"

#include <QActionGroup>
#include <QInputDialog>
#include <QMenu>

#include "controls/PortMenu.h"
#include "serial/PortDetails.h"
#include "text/LineStrings.h"

TLivePortMenu::TLivePortMenu(QMenu *menu, std::function<QString()> currentPort, QObject *parent)
    : QObject(parent)
    , m_menu(menu)
    , m_currentPort(std::move(currentPort))
{
    extraPorts = qEnvironmentVariable("REG01_EXTRA_PORTS").split(u':', Qt::SkipEmptyParts);
    askPortPath = [menu](const QString &current) {
        return QInputDialog::getText(menu->parentWidget(), Str::OtherPortCaption,
                                     Str::OtherPortLabel, QLineEdit::Normal, current)
            .trimmed();
    };
    connect(menu, &QMenu::aboutToShow, this, &TLivePortMenu::rebuild);
    connect(menu, &QMenu::triggered, this, &TLivePortMenu::itemTriggered);
}

QAction *TLivePortMenu::addPort(const QString &name, const QString &text)
{
    auto *group = m_menu->findChild<QActionGroup *>(QString(), Qt::FindDirectChildrenOnly);
    auto *item = new QAction(text, m_menu);
    item->setObjectName(name);
    item->setCheckable(true);
    item->setChecked(name == m_currentPort());
    item->setActionGroup(group);
    m_menu->addAction(item);
    return item;
}

void TLivePortMenu::rebuild()
{
    const QString current = m_currentPort();
    BuildPortMenu(m_menu, current, sysfsRoot);
    QStringList names;
    QStringList stable;
    for (QAction *item : m_menu->actions()) {
        names << item->objectName();
        const PortDetails details = DescribePort(item->objectName(), byIdDir);
        item->setText(PortCaption(item->objectName(), details));
        if (!details.stablePath.isEmpty())
            stable << details.stablePath;
    }
    for (const QString &path : stable) {
        if (!names.contains(path))
            addPort(path, path)->setToolTip(Str::StablePortHint);
        names << path;
    }
    for (const QString &path : extraPorts) {
        if (!names.contains(path))
            addPort(path, path);
        names << path;
    }
    // The port polled is always there to see, checked, even a path that is in no list.
    if (!current.isEmpty() && !names.contains(current))
        addPort(current, current);
    m_menu->setToolTipsVisible(true);
    m_menu->addSeparator();
    m_other = m_menu->addAction(Str::OtherPort);
    m_other->setObjectName(QStringLiteral("OtherPort"));
}

void TLivePortMenu::itemTriggered(QAction *item)
{
    if (item == m_other) {
        const QString path = askPortPath ? askPortPath(m_currentPort()) : QString();
        if (!path.isEmpty())
            emit portChosen(path);
        return;
    }
    if (item->actionGroup())
        emit portChosen(item->objectName());
}
