#include "app/TForm1.h"

#include <algorithm>

#include <QButtonGroup>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "text/Strings.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

TForm1 *Form1 = nullptr;

TForm1::TForm1(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(Str::ChoiceCaption);
    // A fixed dialog border: no resizing, no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(212, 201);
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(11);
    setFont(f);

    RadioGroup1 = new QGroupBox(Str::ChoiceGroup, this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(40, 24, 131, 105);
    m_items = new QButtonGroup(this);
    const QStringList models = {Str::ModelTarvo, Str::ModelMirel, Str::ModelBestan};
    // Items share the group's inner height evenly below its caption, as a radio group lays them out.
    const int top = 18, step = (105 - top - 4) / 3;
    for (int i = 0; i < models.size(); ++i) {
        auto *b = new QRadioButton(models[i], RadioGroup1);
        b->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
        b->setGeometry(8, top + i * step, 131 - 16, step);
        m_items->addButton(b, i);
    }

    Button1 = new QPushButton(Str::Continue, this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(64, 152, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);

    // Tab order: the radio group first, then the button.
    setTabOrder(m_items->button(0), Button1);

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    FormCreate();
}

void TForm1::FormCreate()
{
    setItemIndex(0);
}

int TForm1::itemIndex() const
{
    return m_items->checkedId();
}

void TForm1::setItemIndex(int index)
{
    if (QAbstractButton *b = m_items->button(index)) {
        b->setChecked(true);
        return;
    }
    m_items->setExclusive(false);
    for (QAbstractButton *b : m_items->buttons())
        b->setChecked(false);
    m_items->setExclusive(true);
}

void TForm1::keyPressEvent(QKeyEvent *event)
{
    // "Продолжить" is the window's default button: Enter anywhere in the window presses it,
    // as in a dialog. The button takes Enter itself when it has the focus; the radio
    // buttons pass it on to here.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && plain && Button1->isVisible() && Button1->isEnabled()) {
        Button1->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm1::Button1Click()
{
    hide();
    // Item 0, or nothing chosen, is the first family; items 1 and 2 share the second window.
    TRegistrationWindow *w = nullptr;
    if (itemIndex() <= 0)
        w = new TForm2();
    else
        w = new TForm3();
    m_chosen = w;
    const QString models[] = {Str::ModelTarvo, Str::ModelMirel, Str::ModelBestan};
    w->setModelName(models[std::clamp(itemIndex(), 0, 2)]);
    // Owned by the application: it goes when the program ends, not when it closes.
    connect(qApp, &QCoreApplication::aboutToQuit, w, [w] { delete w; });
    w->ShowModal();
    close();
}
