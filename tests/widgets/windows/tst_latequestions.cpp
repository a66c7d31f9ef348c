// Results and the questions that may replace the table (New, Open, Close): while one is open
// no result is asked for, and a reply already on its way when it was asked is never thrown
// away by the answer; the instrument has been told it was taken and will not send it again.

#include <memory>

#include "ResultFeed.h"
#include "WindowTestSupport.h"
#include "text/Strings.h"

namespace {

// The temperature field of every line of a saved file that holds a result.
QStringList savedTemperatures(const QByteArray &file)
{
    QStringList out;
    for (const QByteArray &line : file.split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() > 4 && !fields[1].isEmpty())
            out << QString::fromLatin1(fields[4]);
    }
    return out;
}

} // namespace

class TestLateQuestions : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT

public:
    TestLateQuestions()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private:
    QString data() const { return path(QStringLiteral("data.txt")); }
    QString other() const { return path(QStringLiteral("other.txt")); }

    // A window on data.txt with one unsaved result, and other.txt to open.
    std::unique_ptr<TForm2> windowWithResult()
    {
        writeIni(QStringLiteral("[Config]\r\nFileName=%1\r\n").arg(data()));
        putFile(other(), "o\t02.03.2024\t08:00:00\t1\t9,00\r\n" + QByteArray(15, '\t') + "\r\n");
        auto w = window();
        feedResult(*w, 1);
        w->AskOpenFileName = [this](const QString &) { return other(); };
        return w;
    }

    static void act(TForm2 &w, const QString &action)
    {
        if (action == u"new")
            w.actNew->trigger();
        else if (action.startsWith(u"open"))
            w.actOpenFile->trigger();
        else
            w.close();
    }

private slots:
    void init() { Prepare(); }
    void cleanup() { Finish(); }

    // The poll that comes while a question is open asks for nothing, not even a result that
    // a bad reply left to be asked for again; once it is answered, the result is asked for.
    void noRequestWhileAsked_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("fetchPending");
        QTest::newRow("New") << "new" << false;
        QTest::newRow("Open") << "open" << false;
        QTest::newRow("Open's file dialog") << "open dialog" << false;
        QTest::newRow("Close") << "close" << false;
        QTest::newRow("New, a fetch to repeat") << "new" << true;
        QTest::newRow("Close, a fetch to repeat") << "close" << true;
    }
    void noRequestWhileAsked()
    {
        QFETCH(QString, action);
        QFETCH(bool, fetchPending);
        auto w = windowWithResult();
        TOpPoller *p = w->OpTarvo1;
        int during = -1;
        auto poll = [&] {
            m_clock.now = m_clock.now.addSecs(600);
            p->Command = fetchPending ? RequestCode::Fetch : RequestCode::Idle;
            w->OpTarvo1GetNumber(p);
            during = p->Command;
        };
        w->MessageBox = [&](QMessageBox::Icon, const QString &, const QString &,
                            QMessageBox::StandardButtons buttons) {
            if (action == u"open dialog")
                return QMessageBox::No; // on to the file dialog
            poll();
            return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::No;
        };
        w->AskOpenFileName = [&](const QString &) {
            poll();
            return QString();
        };
        act(*w, action);
        QCOMPARE(during, int(RequestCode::Idle));
        w->OpTarvo1GetNumber(p);
        QCOMPARE(p->Command, RequestCode::Fetch);
    }

    // A reply that arrives while the question is open: kept in the table the operator ends
    // up with, or saved with the table it came to; a "No" to closing asked before it arrived
    // does not let it go.
    void replyOnItsWayIsKept_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QStringList>("table"); // afterwards; "closed" when the window went
        QTest::addColumn<QStringList>("saved"); // in data.txt
        using B = QMessageBox;
        QTest::newRow("New, No") << "new" << B::No << QStringList{"2,00"} << QStringList{};
        QTest::newRow("New, Yes") << "new" << B::Yes << QStringList{}
                                  << QStringList{"1,00", "2,00"};
        QTest::newRow("Open, No") << "open" << B::No << QStringList{"9,00", "2,00"}
                                  << QStringList{};
        QTest::newRow("Open, Yes")
            << "open" << B::Yes << QStringList{"9,00"} << QStringList{"1,00", "2,00"};
        QTest::newRow("Open, during its file dialog")
            << "open dialog" << B::No << QStringList{"9,00", "2,00"} << QStringList{};
        QTest::newRow("Close, No, asked again, Yes")
            << "close" << B::No << QStringList{"closed"} << QStringList{"1,00", "2,00"};
        QTest::newRow("Close, Cancel")
            << "close" << B::Cancel << QStringList{"1,00", "2,00"} << QStringList{};
    }
    void replyOnItsWayIsKept()
    {
        QFETCH(QString, action);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QStringList, table);
        QFETCH(QStringList, saved);
        auto w = windowWithResult();
        QStringList texts;
        w->MessageBox = [&](QMessageBox::Icon, const QString &, const QString &text,
                            QMessageBox::StandardButtons) {
            texts << text;
            if (texts.size() == 1 && action != u"open dialog")
                feedResult(*w, 2);
            // Asked again about the late result: this time it is saved.
            return texts.size() == 1 ? answer : QMessageBox::Yes;
        };
        w->AskOpenFileName = [&](const QString &) {
            if (action == u"open dialog")
                feedResult(*w, 2);
            return other();
        };
        act(*w, action);
        if (table == QStringList{"closed"}) {
            QVERIFY(!w->isVisible());
            QCOMPARE(texts.size(), 2);
            QCOMPARE(texts[1], Str::AskSaveLateResults.arg(1));
        } else {
            QCOMPARE(temperatures(w->MainGrid), table);
        }
        QCOMPARE(texts[0], Str::AskSave);
        QCOMPARE(savedTemperatures(getFile(data())), saved);
        // What was carried is unsaved in its new table.
        if (table.contains(QStringLiteral("2,00")))
            QVERIFY(w->Changed());
    }
};

WINDOW_TEST_MAIN(TestLateQuestions)
#include "tst_latequestions.moc"
