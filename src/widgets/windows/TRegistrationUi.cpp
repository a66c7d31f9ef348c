#include "windows/TRegistrationUi.h"

#include <algorithm>
#include <utility>

#include <QAction>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

#include "controls/TColorStringGrid.h"
#include "controls/TNumberEdit.h"
#include "controls/TToolImages.h"
#include "text/Strings.h"

namespace {

QFont windowFont()
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11); // 8 pt at 96 dpi
    return f;
}

} // namespace

int TRegistrationUi::widthForUnits(int units, const QString &text)
{
    const int unit = QFontMetrics(windowFont()).horizontalAdvance(text) + 10;
    return units * unit + 2 + 4; // the width rules keep 2 back; the grid's frame
}

void TRegistrationUi::setupUi(QMainWindow *window, int wantedWidth)
{
    window->setFont(windowFont());
    const QSize least(756, 527);
    QSize size(std::max(least.width(), wantedWidth), least.height());
    QScreen *screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QSize room = screen->availableGeometry().size() - QSize(40, 80);
        size = size.boundedTo(room).expandedTo(least);
    }
    window->resize(size);

    MainGrid = new TColorStringGrid(window);
    MainGrid->setObjectName(QStringLiteral("MainGrid"));

    NumberEdit1 = new TNumberEdit(window);
    NumberEdit1->setObjectName(QStringLiteral("NumberEdit1"));
    NumberEdit1->SetKind(wordvalue);
    NumberEdit1->SetDisplayFormat(QStringLiteral("0;-0"));
    NumberEdit1->setFixedSize(77, 31);

    BuildActions(window);
    BuildMenus(window);
    BuildToolbar(window);
    // The grid, with the statistics bar under it, becomes the window's centre.
    qualityPanel = new TQualityPanel(window, MainGrid);

    if (screen)
        window->move(screen->availableGeometry().center() - window->rect().center());
}

void TRegistrationUi::BuildActions(QMainWindow *window)
{
    auto make = [window](const char *name, int image, const QKeySequence &key) {
        auto *a = new QAction(window);
        a->setObjectName(QString::fromLatin1(name));
        a->setIcon(TToolImages::Icon(image));
        a->setShortcut(key);
        // The shortcuts work wherever the focus is inside the window, the grid's editor too.
        a->setShortcutContext(Qt::WindowShortcut);
        window->addAction(a);
        return a;
    };
    actNew = make("actNew", 0, QKeySequence(Qt::CTRL | Qt::Key_N));
    actOpenFile = make("actOpenFile", 1, QKeySequence(Qt::CTRL | Qt::Key_O));
    actSave = make("actSave", 2, QKeySequence(Qt::CTRL | Qt::Key_S));
    actSaveAs = make("actSaveAs", 2, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    actPrint = make("actPrint", 3, QKeySequence(Qt::CTRL | Qt::Key_P));
    actOpr = make("actOpr", 4, QKeySequence(Qt::Key_F5));
    actExit = new QAction(window);
    actExit->setObjectName(QStringLiteral("actExit"));
    actExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    actExit->setShortcutContext(Qt::WindowShortcut);
    window->addAction(actExit);
    QObject::connect(actExit, &QAction::triggered, window, &QWidget::close);
}

void TRegistrationUi::BuildMenus(QMainWindow *window)
{
    mnFile = window->menuBar()->addMenu(QString());
    mnFile->setObjectName(QStringLiteral("mnFile"));
    mnFile->addActions({actNew, actOpenFile, actSave, actSaveAs, actPrint});
    mnAbout = window->menuBar()->addAction(QString());
    mnAbout->setObjectName(QStringLiteral("mnAbout"));
}

void TRegistrationUi::EndFileMenu()
{
    mnFile->addSeparator();
    mnFile->addAction(actExit);
}

void TRegistrationUi::BuildToolbar(QMainWindow *window)
{
    ToolBar1 = window->addToolBar(QString());
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFixedHeight(41);
    ToolBar1->setIconSize(QSize(24, 24));
    ToolBar1->addActions({actNew, actOpenFile, actSave, actPrint});
    ToolBar1->addSeparator();
    ToolBar1->addWidget(NumberEdit1);
    ToolBar1->addSeparator();
    MenuPort = new QMenu(window);
    MenuPort->setObjectName(QStringLiteral("MenuPort"));
    PollButton = new QToolButton(window);
    PollButton->setObjectName(QStringLiteral("PollButton"));
    PollButton->setDefaultAction(actOpr);
    PollButton->setMenu(MenuPort);
    PollButton->setPopupMode(QToolButton::MenuButtonPopup);
    PollButton->setIconSize(QSize(24, 24));
    PollButton->setMinimumHeight(31);
    ToolBar1->addWidget(PollButton);
    for (QAction *a : {actNew, actOpenFile, actSave, actPrint}) {
        if (QWidget *w = ToolBar1->widgetForAction(a))
            w->setFixedSize(33, 31);
    }
}

void TRegistrationUi::SetCaptionsAndHints()
{
    mnFile->setTitle(Str::MenuFile);
    mnAbout->setText(Str::MenuAbout);
    const std::pair<QAction *, QString> texts[] = {{actNew, Str::ActNew},
                                                   {actOpenFile, Str::ActOpen},
                                                   {actSave, Str::ActSave},
                                                   {actSaveAs, Str::ActSaveAs},
                                                   {actPrint, Str::ActPrint},
                                                   {actExit, Str::ActExit}};
    for (const auto &[a, text] : texts) {
        a->setText(text);
        a->setToolTip(text);
        if (QWidget *w = ToolBar1->widgetForAction(a))
            w->setAccessibleName(text);
    }
    SetPollingLook(false);
    NumberEdit1->setToolTip(Str::DeviceNumberHint);
    NumberEdit1->setAccessibleName(Str::DeviceNumberHint);
}

void TRegistrationUi::SetPollingLook(bool polling)
{
    const QString &hint = polling ? Str::PollStop : Str::PollStart;
    NumberEdit1->setEnabled(!polling);
    actOpr->setIcon(TToolImages::Icon(polling ? 5 : 4));
    actOpr->setToolTip(hint);
    actOpr->setText(hint);
    PollButton->setAccessibleName(hint);
}
