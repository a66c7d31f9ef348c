// "Выход" in the File menu, the columns dialog of the second window, and the window's place
// remembered in the settings file (with no "Window" section the window opens as before).

#include <memory>

#include <QMenu>

#include "ResultFeed.h"
#include "WindowTestSupport.h"
#include "settings/TIniPlus.h"
#include "text/Strings.h"
#include "windows/TForm3.h"

class TestWindowComforts : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT

public:
    TestWindowComforts()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private:
    QString ini() const { return path(QStringLiteral("Tarvo.Ini")); }

private slots:
    void init() { Prepare(); }
    void cleanup() { Finish(); }

    // Ctrl+Q closes as the window's cross does: unsaved results are asked about first.
    void exitClosesAsTheCrossDoes()
    {
        auto w = window();
        QCOMPARE(w->mnFile->actions().last(), w->actExit);
        QCOMPARE(w->actExit->text(), Str::ActExit);
        feedResult(*w, 20);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        m_boxes.answers = {QMessageBox::Cancel, QMessageBox::No};
        QTest::keyClick(w.get(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(w->isVisible());
        QTest::keyClick(w.get(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!w->isVisible());
        QCOMPARE(m_boxes.texts(), (QStringList{Str::AskSave, Str::AskSave}));
    }

    void placementRemembered_data()
    {
        QTest::addColumn<bool>("maximized");
        QTest::newRow("normal") << false;
        QTest::newRow("maximised") << true;
    }
    void placementRemembered()
    {
        QFETCH(bool, maximized);
        const QSize opened = window()->size();
        {
            auto w = window();
            w->resize(opened + QSize(40, 30));
            w->move(20, 30);
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            if (maximized)
                w->showMaximized();
            QTRY_COMPARE(w->isMaximized(), maximized);
            QVERIFY(w->close());
        }
        const TIniPlus after(ini());
        QCOMPARE(after.ReadInteger("Window", "Width", 0), opened.width() + 40);
        QCOMPARE(after.ReadInteger("Window", "Height", 0), opened.height() + 30);
        QCOMPARE(after.ReadBool("Window", "Maximized", !maximized), maximized);
        auto again = window();
        QCOMPARE(again->size(), opened + QSize(40, 30));
        QCOMPARE(again->pos(), QPoint(20, 30));
        QCOMPARE(again->windowState().testFlag(Qt::WindowMaximized), maximized);
        // Closed where it opened, it writes nothing more.
        const QByteArray written = getFile(ini());
        again->show();
        QVERIFY(QTest::qWaitForWindowExposed(again.get()));
        QVERIFY(again->close());
        QCOMPARE(getFile(ini()), written);
    }

    // The dialog's choice takes the path of the menu items: columns, check marks, settings.
    void columnsDialog()
    {
        QString body = QStringLiteral("[Columns]\r\n");
        for (int c = 0; c < 32; ++c)
            body += QStringLiteral("%1=T%1\r\n").arg(c);
        QVERIFY(putFile(path(QStringLiteral("Mirel2.Ini")), body.toUtf8()));
        auto w = std::make_unique<TForm3>();
        m_boxes.attach(*w);
        const auto items = w->mnView->actions();
        QCOMPARE(items.size(), 27); // the menu stays as it was
        auto *action = w->findChild<QAction *>(QStringLiteral("actColumns"));
        QVERIFY(action);
        QCOMPARE(action->text(), Str::ActColumns);
        QStringList offered;
        w->askColumns = [&](const QStringList &titles, const QList<bool> &shown) {
            offered = titles;
            QList<bool> chosen = shown;
            chosen[0] = false;  // column 5
            chosen[26] = false; // column 31
            return std::optional(chosen);
        };
        action->trigger();
        QCOMPARE(offered.size(), 27);
        QCOMPARE(offered.first(), QStringLiteral("T5"));
        for (int c = 5; c < 32; ++c) {
            const bool on = c != 5 && c != 31;
            QCOMPARE(items[c - 5]->isChecked(), on);
            QCOMPARE(w->MainGrid->ColWidths(c) > 0, on);
        }
        w->askColumns = [](const QStringList &, const QList<bool> &) { return std::nullopt; };
        action->trigger(); // cancelled: nothing changes
        QVERIFY(!items[0]->isChecked());
        QVERIFY(w->close());
        const TIniPlus after(path(QStringLiteral("Mirel2.Ini")));
        QCOMPARE(after.ReadBool("View", "5", true), false);
        QCOMPARE(after.ReadBool("View", "6", false), true);
        QCOMPARE(after.ReadBool("View", "31", true), false);
    }
};

WINDOW_TEST_MAIN(TestWindowComforts)
#include "tst_windowcomforts.moc"
