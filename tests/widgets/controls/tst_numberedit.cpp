#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLocale>
#include <QtTest>

#include "controls/TNumberEdit.h"

// The edit on a shown window beside a second box that takes the focus away.
struct Panel
{
    QWidget window;
    TNumberEdit *edit = new TNumberEdit;
    QLineEdit *other = new QLineEdit;
    Panel()
    {
        auto *layout = new QHBoxLayout(&window);
        layout->addWidget(other); // first in the chain: the window starts with the focus here
        layout->addWidget(edit);
        window.show();
        window.activateWindow();
    }
    bool ready() { return QTest::qWaitForWindowActive(&window); }
    void enter()
    {
        edit->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
    void leave()
    {
        other->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
};

class TestNumberEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void displayFormat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("0;-0, positive") << "0;-0" << 12.0 << "12";
        QTest::newRow("0;-0, negative") << "0;-0" << -12.0 << "-12";
        QTest::newRow("0;-0, zero") << "0;-0" << 0.0 << "0";
        QTest::newRow("0;-0, rounds") << "0;-0" << 2.5 << "3";
        QTest::newRow("0;-0, small negative is nought") << "0;-0" << -0.4 << "0";
        QTest::newRow("0.00") << "0.00" << 3.14159 << "3.14";
        QTest::newRow("0.00 without a negative section") << "0.00" << -2.5 << "-2.50";
        QTest::newRow("optional digits") << "#.##" << 0.5 << ".5";
        QTest::newRow("optional decimals dropped") << "0.##" << 7.0 << "7";
        QTest::newRow("leading zeros") << "000" << 7.0 << "007";
        QTest::newRow("brackets for negative") << "0.00;(0.00)" << -1.5 << "(1.50)";
        QTest::newRow("zero section") << "0;-0;нет" << 0.0 << "нет";
        QTest::newRow("literal text") << "0 \"шт\"" << 5.0 << "5 шт";
        QTest::newRow("thousands") << "#,##0" << 1234567.0 << "1,234,567";
        QTest::newRow("no format") << "" << 42.0 << "42";
    }
    void displayFormat()
    {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, shown);
        QCOMPARE(TNumberEdit::formatNumber(value, format), shown);
    }

    void wordKeys_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::newRow("letters dropped") << "12ab3"
                                         << "123";
        QTest::newRow("no sign") << "-5"
                                 << "5";
        QTest::newRow("no decimal point") << "1.5"
                                          << "15";
        QTest::newRow("no blanks") << " 7 "
                                   << "7";
        QTest::newRow("cyrillic dropped") << "4\u04355"
                                          << "45";
    }
    void wordKeys()
    {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        Panel p;
        QVERIFY(p.ready());
        p.edit->SetKind(wordvalue);
        p.enter();
        for (QChar c : typed)
            QTest::sendKeyEvent(QTest::Click, p.edit, Qt::Key_unknown, QString(c), {});
        QCOMPARE(p.edit->text(), text);
        QTest::keyClick(p.edit, Qt::Key_Backspace);
        text.chop(1);
        QCOMPARE(p.edit->text(), text);
        QTest::keyClick(p.edit, Qt::Key_Home);
        QTest::keyClick(p.edit, Qt::Key_Delete);
        QCOMPARE(p.edit->text(), text.mid(1));
    }

    void wordPaste_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("text");
        QTest::newRow("digits") << "456"
                                << "456";
        QTest::newRow("with a letter") << "45x"
                                       << "9";
        QTest::newRow("with a line feed") << "45\n"
                                          << "9";
    }
    void wordPaste()
    {
        QFETCH(QString, clip);
        QFETCH(QString, text);
        Panel p;
        QVERIFY(p.ready());
        p.edit->SetKind(wordvalue);
        p.edit->SetValue(9);
        p.enter();
        QGuiApplication::clipboard()->setText(clip);
        p.edit->paste();
        QCOMPARE(p.edit->text(), text);
    }

    void enteringSelectsAll()
    {
        Panel p;
        QVERIFY(p.ready());
        p.edit->SetValue(321);
        p.enter();
        QVERIFY(p.edit->hasFocus());
        QCOMPARE(p.edit->selectedText(), QStringLiteral("321"));
        p.leave();
        QTest::mouseClick(p.edit, Qt::LeftButton, {}, QPoint(3, p.edit->height() / 2));
        QTRY_COMPARE(p.edit->selectedText(), QStringLiteral("321"));
    }

    void escRestores()
    {
        Panel p;
        QVERIFY(p.ready());
        p.edit->SetKind(wordvalue);
        p.edit->SetDisplayFormat(QStringLiteral("0;-0"));
        p.edit->SetValue(7);
        p.enter();
        QTest::keyClicks(p.edit, QStringLiteral("99"));
        QCOMPARE(p.edit->Value(), 99.0);
        QTest::keyClick(p.edit, Qt::Key_Escape);
        QCOMPARE(p.edit->text(), QStringLiteral("7"));
        QCOMPARE(p.edit->selectedText(), QStringLiteral("7"));
        QCOMPARE(p.edit->Value(), 7.0);
        p.leave();
        QCOMPARE(p.edit->Value(), 7.0);
    }

    void readBackOnLeaving_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("word") << int(wordvalue) << "0;-0"
                              << "345" << 345.0 << "345";
        QTest::newRow("word, top") << int(wordvalue) << "0;-0"
                                   << "65535" << 65535.0 << "65535";
        QTest::newRow("word, 65536 refused") << int(wordvalue) << "0;-0"
                                             << "65536" << 100.0 << "100";
        QTest::newRow("word, empty keeps") << int(wordvalue) << "0;-0"
                                           << "" << 100.0 << "100";
        QTest::newRow("word, leading zeros") << int(wordvalue) << "0;-0"
                                             << "007" << 7.0 << "7";
        QTest::newRow("integer, negative") << int(integervalue) << "0;-0"
                                           << "-300" << -300.0 << "-300";
        QTest::newRow("integer, below 16 bits") << int(integervalue) << "0"
                                                << "-40000" << 100.0 << "100";
        QTest::newRow("longint, 32 bits") << int(longintvalue) << "0"
                                          << "-40000" << -40000.0 << "-40000";
        QTest::newRow("longint, beyond 32 bits") << int(longintvalue) << "0"
                                                 << "3000000000" << 100.0 << "100";
        QTest::newRow("float") << int(floatingpointvalue) << "0.00"
                               << "-1.257" << -1.257 << "-1.26";
        QTest::newRow("float, lone sign keeps") << int(floatingpointvalue) << "0.00"
                                                << "-" << 100.0 << "100.00";
    }
    void readBackOnLeaving()
    {
        QFETCH(int, kind);
        QFETCH(QString, format);
        QFETCH(QString, typed);
        QFETCH(double, value);
        QFETCH(QString, shown);
        Panel p;
        QVERIFY(p.ready());
        p.edit->SetKind(TNumberKind(kind));
        p.edit->SetDisplayFormat(format);
        p.edit->SetValue(100);
        p.enter();
        QTest::keyClick(p.edit, Qt::Key_Backspace); // the text is selected: this clears it
        QTest::keyClicks(p.edit, typed);
        p.leave();
        QCOMPARE(p.edit->Value(), value);
        QCOMPARE(p.edit->text(), shown);
    }

    void setValueRange_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("kept");
        QTest::newRow("word 65536") << int(wordvalue) << 65536.0 << 5.0;
        QTest::newRow("word -1") << int(wordvalue) << -1.0 << 5.0;
        QTest::newRow("word rounds") << int(wordvalue) << 12.6 << 13.0;
        QTest::newRow("integer 32768") << int(integervalue) << 32768.0 << 5.0;
        QTest::newRow("float infinity")
            << int(floatingpointvalue) << std::numeric_limits<double>::infinity() << 5.0;
        QTest::newRow("float keeps fraction") << int(floatingpointvalue) << 0.25 << 0.25;
    }
    void setValueRange()
    {
        QFETCH(int, kind);
        QFETCH(double, value);
        QFETCH(double, kept);
        TNumberEdit edit;
        edit.SetKind(TNumberKind(kind));
        edit.SetValue(5);
        edit.SetValue(value);
        QCOMPARE(edit.Value(), kept);
    }
};

QTEST_MAIN(TestNumberEdit)
#include "tst_numberedit.moc"
