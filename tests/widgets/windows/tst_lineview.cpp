// The line as the first family's window shows it: the status bar through a polling run (the
// port typed into the live menu), the results the instrument rejects, a silent instrument,
// why a port did not open, and the frame log the settings ask for.

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QStatusBar>
#include <sys/stat.h>

#include "WindowTestSupport.h"
#include "controls/TLivePortMenu.h"
#include "controls/TNumberEdit.h"
#include "pollers/TOpTarvo.h"
#include "serial/TCustomComPort.h"
#include "windows/TForm2.h"
#include "windows/TStatusPanel.h"

class TestLineView : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT

public:
    TestLineView()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private:
    static TStatusPanel *panel(TForm2 &w) { return w.findChild<TStatusPanel *>(); }
    // The simulator's line typed into "Другой порт…", as an operator would, then F5.
    static bool startOn(TForm2 &w, InstrumentSim &sim)
    {
        if (!sim.start())
            return false;
        w.findChild<TLivePortMenu *>()->askPortPath = [&](const QString &) {
            return QString::fromStdString(sim.slaveName());
        };
        emit w.MenuPort->aboutToShow();
        w.MenuPort->findChild<QAction *>("OtherPort")->trigger();
        w.actOpr->trigger();
        return w.OpTarvo1->Port == QString::fromStdString(sim.slaveName());
    }
    static bool stop(TForm2 &w)
    {
        w.actOpr->trigger();
        return QTest::qWaitFor([&] { return !w.Poller()->Active(); }, 5000);
    }

private slots:
    void init() { Prepare(); }
    void cleanup() { Finish(); }

    void statusFollowsPolling()
    {
        InstrumentSim sim(InstrumentSim::Family::Tarvo);
        auto w = window();
        w->setModelName(QStringLiteral("Тарво-2(2M)"));
        TStatusPanel *p = panel(*w);
        QVERIFY(p);
        QCOMPARE(p->parentWidget(), w->statusBar());
        QCOMPARE(p->fieldTexts(), QStringList({"Тарво-2(2M)", "Опрос выключен", "Результатов: 0"}));
        QVERIFY(startOn(*w, sim));
        QTRY_COMPARE(countCode(sim, 9), 1);
        // The result was taken at the test clock's moment, which stands still.
        QTRY_COMPARE(p->stateText(), QStringLiteral("Следующий результат через 2:00"));
        const QStringList fields = p->fieldTexts();
        QCOMPARE(fields.mid(2, 2), QStringList({QString::fromStdString(sim.slaveName()),
                                                QStringLiteral("Прибор № 0")}));
        QVERIFY2(fields.value(4).startsWith("Ответ в "), qPrintable(fields.join('|')));
        QCOMPARE(fields.value(5), QStringLiteral("Результатов: 1"));
        m_clock.now = m_clock.now.addSecs(65);
        p->refresh();
        QCOMPARE(p->stateText(), QStringLiteral("Следующий результат через 0:55"));
        QCOMPARE(p->stateTone(), TLineStatus::Tone::Plain);
        QVERIFY(stop(*w));
        QCOMPARE(p->stateText(), QStringLiteral("Опрос выключен"));
    }

    // A result the instrument marks as no measurement gets no row, as always, and is counted.
    void rejectedResultIsCounted()
    {
        InstrumentSim sim(InstrumentSim::Family::Tarvo);
        sim.setStatus(0x0020);
        auto w = window();
        QVERIFY(startOn(*w, sim));
        QTRY_COMPARE(countCode(sim, 9), 1);
        QVERIFY(stop(*w));
        QCOMPARE(w->MainGrid->RowCount(), 2);
        QVERIFY(panel(*w)->fieldTexts().contains(
            QStringLiteral("Прибор отклонил результат (статус 0x0020): 1")));
    }

    // A wrong device number: nothing answers. The dropped exchanges are counted, and after
    // ten seconds of asking the state turns amber.
    void silentInstrumentTurnsAmber()
    {
        InstrumentSim sim(InstrumentSim::Family::Tarvo);
        auto w = window();
        w->NumberEdit1->SetValue(5);
        TStatusPanel *p = panel(*w);
        qint64 ms = 0;
        p->monotonicMs = [&] { return ms; };
        QVERIFY(startOn(*w, sim));
        QTRY_COMPARE(p->stateText(), QStringLiteral("Ожидание результата"));
        QTRY_VERIFY(p->fieldTexts().contains(QStringLiteral("ответы отброшены: нет ответа 2")));
        ms += TLineStatus::SilentAfterMs;
        p->refresh();
        QCOMPARE(p->stateText(), QStringLiteral("Прибор не отвечает"));
        QCOMPARE(p->stateTone(), TLineStatus::Tone::Amber);
        QVERIFY(stop(*w));
        QVERIFY(sim.exchanges().empty());
    }

    // The box keeps its text and caption; its informative text names the port and the
    // reason with the remedy.
    void openErrorSaysWhy_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("remedy");
        QTest::newRow("not found") << "missing"
                                   << "меню кнопки опроса";
        QTest::newRow("regular file") << "file"
                                      << "не последовательный порт";
        QTest::newRow("fifo") << "fifo"
                              << "не последовательный порт";
        QTest::newRow("folder") << "folder"
                                << "не последовательный порт";
        QTest::newRow("busy") << "busy"
                              << "занят другой программой";
        QTest::newRow("permission denied") << "locked"
                                           << "usermod -aG dialout";
    }
    void openErrorSaysWhy()
    {
        QFETCH(QString, kind);
        QFETCH(QString, remedy);
        if (kind == "locked" && geteuid() == 0)
            QSKIP("root opens a device whatever its permissions");
        InstrumentSim sim(InstrumentSim::Family::Tarvo);
        TComPort holder;
        const QString device = path("port");
        const QByteArray name = QFile::encodeName(device);
        if (kind == "file" || kind == "locked")
            QVERIFY(putFile(device, "x"));
        if (kind == "locked")
            QCOMPARE(chmod(name.constData(), 0), 0);
        if (kind == "fifo")
            QCOMPARE(mkfifo(name.constData(), 0600), 0);
        if (kind == "folder")
            QVERIFY(QDir().mkdir(device));
        if (kind == "busy") {
            QVERIFY(sim.start(device.toStdString()));
            holder.SetPort(device);
            holder.Open();
        }
        auto w = window();
        // What the real box would show as its informative text, when it is shown.
        QString details;
        w->MessageBox = [&, recorder = w->MessageBox](auto icon, auto &caption, auto &text,
                                                      auto buttons) {
            details = w->BoxDetails;
            return recorder(icon, caption, text, buttons);
        };
        w->OpTarvo1->Port = device;
        w->actOpr->trigger();
        QTRY_COMPARE(m_boxes.calls.size(), 1);
        QCOMPARE(m_boxes.calls[0].text, QStringLiteral("Ошибка открытия порта"));
        QCOMPARE(m_boxes.calls[0].caption, QStringLiteral("Ошибка"));
        QVERIFY2(details.contains(device) && details.contains(remedy), qPrintable(details));
        QTRY_VERIFY(!w->Poller()->Active());
        QVERIFY(w->BoxDetails.isEmpty()); // never shown by a later box
    }

    // "FrameLog"=1 writes every exchange beside the settings; without the key there is no
    // log, and the settings written at closing do not gain the key.
    void frameLogOnlyWhenAsked_data()
    {
        QTest::addColumn<bool>("asked");
        QTest::newRow("asked") << true;
        QTest::newRow("not asked") << false;
    }
    void frameLogOnlyWhenAsked()
    {
        QFETCH(bool, asked);
        writeIni(asked ? "[Config]\r\nFrameLog=1\r\n" : "[Config]\r\n");
        InstrumentSim sim(InstrumentSim::Family::Tarvo);
        sim.queueFault({InstrumentSim::Fault::WrongEcho, 0});
        auto w = window();
        QVERIFY(startOn(*w, sim));
        QTRY_COMPARE(countCode(sim, 9), 1);
        m_boxes.answers = {QMessageBox::No};
        QVERIFY(w->close());
        const QByteArray log = getFile(path("Tarvo-frames.log"));
        QCOMPARE(getFile(path("Tarvo.Ini")).contains("FrameLog"), asked);
        if (!asked) {
            QVERIFY(!QFile::exists(path("Tarvo-frames.log")));
            return;
        }
        QList<QByteArray> lines = log.split('\n');
        lines.removeAll(QByteArray());
        // The spoiled fetch, the fetch again, the confirmation: each request and its reply.
        const char *ends[] = {"> 90 a0 a0 a0 06", "< [106] wrong echo",
                              "> 90 a0 a0 a0 06", "< [106] accepted",
                              "> 90 a0 a0 a0 09", "< [4] accepted: 90 a0 a0 a0"};
        QCOMPARE(lines.size(), 6);
        for (int i = 0; i < 6; ++i)
            QVERIFY2(lines[i].contains(ends[i]), lines[i].constData());
    }
};

WINDOW_TEST_MAIN(TestLineView)
#include "tst_lineview.moc"
