#include <QApplication>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/AppSetup.h"
#include "app/TForm1.h"
#include "controls/TColorStringGrid.h"
#include "support/TestFiles.h"
#include "text/Strings.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

// With no visible top-level window left, the application's event loop ends.
static bool noVisibleWindow()
{
    const auto widgets = QApplication::topLevelWidgets();
    return std::none_of(widgets.begin(), widgets.end(), [](QWidget *w) { return w->isVisible(); });
}

class TestForm1 : public QObject
{
    Q_OBJECT
private slots:
    void init() { createForms(); }
    void cleanup() { destroyForms(); }

    void layout()
    {
        QCOMPARE(Form1->windowTitle(), QStringLiteral("Регистрация reg.01"));
        QCOMPARE(Form1->size(), QSize(212, 201));
        QCOMPARE(Form1->minimumSize(), Form1->maximumSize());
        QVERIFY(!(Form1->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(Form1->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(Form1->RadioGroup1->geometry(), QRect(40, 24, 131, 105));
        QCOMPARE(Form1->RadioGroup1->title(), QStringLiteral("Выберите прибор"));
        QCOMPARE(Form1->Button1->geometry(), QRect(64, 152, 75, 25));
        QCOMPARE(Form1->Button1->text(), QStringLiteral("Продолжить"));
        const auto items = Form1->RadioGroup1->findChildren<QRadioButton *>();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->text(), QStringLiteral("Тарво-2(2M)"));
        QCOMPARE(items[1]->text(), QStringLiteral("Мирел-2"));
        QCOMPARE(items[2]->text(), QStringLiteral("Бестан-1(1М)"));
        QCOMPARE(Form1->itemIndex(), 0);
        QVERIFY(items[0]->isChecked());
        // Tab order: the group's checked item, then the button.
        QCOMPARE(items[0]->nextInFocusChain(), static_cast<QWidget *>(Form1->Button1));
    }

    void startupCreatesHiddenForms()
    {
        QVERIFY(Form2 && Form3);
        QVERIFY(!Form2->isVisible());
        QVERIFY(!Form3->isVisible());
    }

    // Their creation reads the last results file as it always did, but the table it gave is
    // not kept for the session: only the chosen window holds one.
    void hiddenFormsKeepNoTable()
    {
        destroyForms();
        QTemporaryDir dir;
        const QString results = dir.filePath(QStringLiteral("r.txt"));
        QByteArray rows;
        for (int i = 0; i < 1000; ++i)
            rows += "label\t05.03.2024\t10:00:00\t1\r\n";
        QVERIFY(putFile(results, rows));
        const QByteArray ini = "[Config]\r\nFileName=" + results.toUtf8() + "\r\n";
        QVERIFY(putFile(dir.filePath(QStringLiteral("Tarvo.Ini")), ini));
        QVERIFY(putFile(dir.filePath(QStringLiteral("Mirel2.Ini")), ini));
        TRegistrationWindow::SetProgramDir(dir.path());
        createForms();
        TRegistrationWindow::SetProgramDir(QString());
        for (TRegistrationWindow *w : {static_cast<TRegistrationWindow *>(Form2),
                                       static_cast<TRegistrationWindow *>(Form3)}) {
            QCOMPARE(w->FileName(), results);
            QVERIFY(w->windowTitle().contains(results));
            QCOMPARE(w->MainGrid->RowCount(), 2);
            QVERIFY(w->MainGrid->Cells(2, 1).isEmpty());
        }
    }

    void choiceOpensClass_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("className");
        QTest::newRow("untouched selection") << 0 << "TForm2";
        QTest::newRow("no item selected") << -1 << "TForm2";
        QTest::newRow("Мирел-2") << 1 << "TForm3";
        QTest::newRow("Бестан-1(1М)") << 2 << "TForm3";
    }
    void choiceOpensClass()
    {
        QFETCH(int, index);
        QFETCH(QString, className);
        Form1->show();
        Form1->setItemIndex(index);
        QCOMPARE(Form1->itemIndex(), index);
        QString seen;
        bool choiceHidden = false;
        bool modal = false;
        QTimer::singleShot(0, this, [&] {
            QWidget *w = Form1->chosen();
            QVERIFY(w);
            seen = QString::fromLatin1(w->metaObject()->className());
            choiceHidden = !Form1->isVisible();
            modal = w->isVisible() && w->windowModality() == Qt::ApplicationModal;
            QVERIFY(w != Form2 && w != Form3);
            w->close();
        });
        Form1->Button1->click();
        QCOMPARE(seen, className);
        QVERIFY(choiceHidden);
        QVERIFY(modal);
        // Closing the registration window closes the choice window: the program ends.
        QVERIFY(!Form1->isVisible());
        QVERIFY(noVisibleWindow());
        delete Form1->chosen();
    }

    // "Продолжить" is the default button: Enter presses it wherever the focus is.
    void enterContinues_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("onButton");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("className"); // empty: nothing opens
        const int none = Qt::NoModifier;
        QTest::newRow("Return on the preselected item")
            << 0 << false << int(Qt::Key_Return) << none << "TForm2";
        QTest::newRow("Return on Бестан-1(1М)")
            << 2 << false << int(Qt::Key_Return) << none << "TForm3";
        QTest::newRow("keypad Enter on Мирел-2")
            << 1 << false << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "TForm3";
        QTest::newRow("Return on the button")
            << 0 << true << int(Qt::Key_Return) << none << "TForm2";
        QTest::newRow("Ctrl+Return is no Enter")
            << 0 << false << int(Qt::Key_Return) << int(Qt::ControlModifier) << "";
    }
    void enterContinues()
    {
        QFETCH(int, index);
        QFETCH(bool, onButton);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, className);
        Form1->show();
        Form1->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Form1));
        Form1->setItemIndex(index);
        const auto items = Form1->RadioGroup1->findChildren<QRadioButton *>();
        QWidget *focus = onButton ? static_cast<QWidget *>(Form1->Button1) : items[index];
        focus->setFocus();
        QCOMPARE(QApplication::focusWidget(), focus);

        QString seen;
        QTimer closer;
        closer.setSingleShot(true);
        connect(&closer, &QTimer::timeout, this, [&] {
            if (QWidget *w = Form1->chosen()) {
                seen = QString::fromLatin1(w->metaObject()->className());
                w->close();
            }
        });
        closer.start(0);
        QTest::keyClick(focus, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        if (className.isEmpty()) {
            QVERIFY(!Form1->chosen());
            QVERIFY(Form1->isVisible());
            QCOMPARE(Form1->itemIndex(), index);
            Form1->close();
            return;
        }
        QCOMPARE(seen, className);
        QVERIFY(!Form1->isVisible());
        delete Form1->chosen();
    }

    void closeBoxOpensNothing()
    {
        Form1->show();
        Form1->close();
        QVERIFY(noVisibleWindow());
        QVERIFY(!Form1->chosen());
    }

    void qtTextsInRussian()
    {
        QVERIFY(installRussianTranslations(*qApp));
        QMessageBox box(QMessageBox::Question, Str::DataChanged, Str::AskSave,
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        auto text = [&](QMessageBox::StandardButton b) {
            return box.button(b)->text().remove(QLatin1Char('&'));
        };
        QCOMPARE(text(QMessageBox::Yes), QStringLiteral("Да"));
        QCOMPARE(text(QMessageBox::No), QStringLiteral("Нет"));
        QCOMPARE(text(QMessageBox::Cancel), QStringLiteral("Отмена"));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    TestForm1 t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_form1.moc"
