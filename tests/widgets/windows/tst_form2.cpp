#include <memory>

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPrinterInfo>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "WindowTestSupport.h"
#include "controls/TNumberEdit.h"
#include "controls/TfrmBAbout.h"
#include "pollers/TOpTarvo.h"
#include "results/LocaleFormats.h"
#include "results/TJournal.h"
#include "settings/TIniPlus.h"
#include "sim/InstrumentFrames.h"
#include "support/TestFiles.h"
#include "text/Cp1251.h"
#include "windows/TForm2.h"

namespace {

const QStringList kTitles = {QStringLiteral("№ ст"),
                             QStringLiteral("Проба"),
                             QStringLiteral("Дата"),
                             QStringLiteral("Время"),
                             QStringLiteral("№ гр."),
                             QStringLiteral("Температура"),
                             QStringLiteral("Жир"),
                             QStringLiteral("СОМО"),
                             QStringLiteral("Плотность"),
                             QStringLiteral("Белок"),
                             QStringLiteral("Доб.вода"),
                             QStringLiteral("Вых.сигнал"),
                             QStringLiteral("Лактоза"),
                             QStringLiteral("Соли"),
                             QStringLiteral("СМО"),
                             QStringLiteral("Т.замерзания"),
                             QStringLiteral("Ст.гомогенизации")};

const std::vector<double> kValuesA = {20.5, 3.25, 8.75, 27.5,  3.125, 0,
                                      1.5,  4.75, 0.5,  12.25, -0.5,  90};
const std::vector<double> kValuesB = {18.25, 4.5, 9.0, 29.75, 7, 7, 7, 7, 7, 7, 7, 7};

} // namespace

class TestForm2 : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT

public:
    TestForm2()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private:
    // A settings file pointing the window at a results file inside the test folder.
    void useDataFile(const QString &name = QStringLiteral("data.txt"))
    {
        writeIni(QStringLiteral("[Config]\r\nFileName=%1\r\n").arg(path(name)));
    }

    // A result reply handed over as the poller does, without a line.
    static void feed(TForm2 &w, const std::vector<double> &values, uint16_t status = 0,
                     uint8_t group = 1, int length = 106)
    {
        std::vector<uint32_t> words;
        for (double v : values)
            words.push_back(EncodeFp(v));
        const auto echo = AddressEcho(0);
        const auto frame = BuildTarvoFrame(length, status, group, words, echo);
        TOpPoller *p = w.OpTarvo1;
        std::fill(p->ResultData.begin(), p->ResultData.end(), 0);
        p->ResultData[0] = length == 38 ? 1 : length == 54 ? 2 : 4;
        std::copy(frame.begin(), frame.end(), p->ResultData.begin() + 1);
        p->Command = 6;
        w.OpTarvo1PutResult(p);
        w.OpTarvo1PutResult(p); // the acknowledgement's reply
    }

    static bool startOn(TForm2 &w, InstrumentSim &sim)
    {
        if (!sim.start())
            return false;
        w.OpTarvo1->Port = QString::fromStdString(sim.slaveName());
        w.actOpr->trigger();
        return true;
    }

private slots:
    void init() { Prepare(); }
    void cleanup() { Finish(); }

    void localeIsPinned()
    {
        QCOMPARE(FormatValue(3.456), QStringLiteral("3,46"));
        QCOMPARE(FormatShortDate(QDate(2024, 3, 5)), QStringLiteral("05.03.2024"));
        QCOMPARE(FormatLongTime(QTime(9, 7, 5)), QStringLiteral("09:07:05"));
    }

    // The first poll asks at once; after the acknowledgement the next request waits until
    // strictly more than two minutes have passed.
    void pacingAndFirstRow()
    {
        InstrumentSim sim(InstrumentSim::Family::Tarvo);
        sim.setValues(kValuesA);
        sim.setGroup(5);
        auto w = window();
        int passes = 0;
        const TPollerEvent getNumber = w->OpTarvo1->OnGetNumber;
        w->OpTarvo1->OnGetNumber = [&](TOpPoller *p) {
            getNumber(p);
            ++passes;
        };
        QVERIFY(startOn(*w, sim));
        QTRY_VERIFY(w->Poller()->Active());
        QVERIFY(!w->NumberEdit1->isEnabled());
        QCOMPARE(w->actOpr->toolTip(), QStringLiteral("Остановить опрос"));
        QTRY_COMPARE(w->MainGrid->RowCount(), 3);
        QTRY_COMPARE(countCode(sim, 9), 1);
        QCOMPARE(requestCodes(sim), (std::vector<int>{6, 9}));

        const auto ex = resultExchanges(sim);
        QCOMPARE(ex.size(), size_t(1));
        QCOMPARE(ex[0].values.size(), size_t(12));
        QCOMPARE(w->MainGrid->Cells(2, 1), QStringLiteral("05.03.2024"));
        QCOMPARE(w->MainGrid->Cells(3, 1), QStringLiteral("10:00:00"));
        QCOMPARE(w->MainGrid->Cells(4, 1), QStringLiteral("5"));
        for (int k = 0; k < 12; ++k)
            QCOMPARE(w->MainGrid->Cells(5 + k, 1), FormatValue(ex[0].values[k]));
        QCOMPARE(w->MainGrid->Cells(5, 1), QStringLiteral("20,50"));
        QCOMPARE(w->MainGrid->Cells(15, 1), QStringLiteral("-0,50"));
        QStringList open(17);
        open[0] = QStringLiteral("2");
        QCOMPARE(rowCells(w->MainGrid, 2), open);
        // Unsaved results are unsaved data.
        QVERIFY(w->Changed());

        m_clock.now = m_clock.now.addMSecs(2 * 60 * 1000);
        const int seen = passes;
        QTRY_VERIFY(passes >= seen + 3);
        QCOMPARE(countCode(sim, 6), 1);
        m_clock.now = m_clock.now.addMSecs(1);
        QTRY_COMPARE(w->MainGrid->RowCount(), 4);
        QTRY_COMPARE(countCode(sim, 9), 2);
        QCOMPARE(requestCodes(sim), (std::vector<int>{6, 9, 6, 9}));
        QCOMPARE(w->MainGrid->Cells(3, 2), QStringLiteral("10:02:00"));
        QCOMPARE(w->MainGrid->Cells(0, 3), QStringLiteral("3"));

        w->actOpr->trigger();
        QTRY_VERIFY(!w->Poller()->Active());
        QVERIFY(w->NumberEdit1->isEnabled());
        QCOMPARE(w->actOpr->toolTip(), QStringLiteral("Включить опрос"));
    }

    // A label typed into the open row before the result stays with that result.
    void labelTypedAheadStaysWithResult()
    {
        InstrumentSim sim(InstrumentSim::Family::Tarvo);
        auto w = window();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(typeLabel(w->MainGrid, 1, QStringLiteral("Ферма 3")));
        QVERIFY(startOn(*w, sim));
        QTRY_COMPARE(w->MainGrid->RowCount(), 3);
        QCOMPARE(w->MainGrid->Cells(1, 1), QStringLiteral("Ферма 3"));
        QVERIFY(!w->MainGrid->Cells(2, 1).isEmpty());
        QVERIFY(w->MainGrid->Cells(1, 2).isEmpty());
    }

    void rejectedStatusIsStillAcknowledged_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("asFault");
        QTest::newRow("status 0x1000") << 0x1000 << false;
        QTest::newRow("one reply with 0x0020") << 0x0020 << true;
        QTest::newRow("0x00A0: values kept, no row") << 0x10A0 << false;
    }
    void rejectedStatusIsStillAcknowledged()
    {
        QFETCH(int, status);
        QFETCH(bool, asFault);
        InstrumentSim sim(InstrumentSim::Family::Tarvo);
        if (asFault)
            sim.queueFault({InstrumentSim::Fault::BadStatus, status});
        else
            sim.setStatus(uint16_t(status));
        auto w = window();
        QVERIFY(startOn(*w, sim));
        QTRY_COMPARE(countCode(sim, 9), 1);
        QCOMPARE(w->MainGrid->RowCount(), 2);
        QVERIFY(w->MainGrid->Cells(2, 1).isEmpty());
        QVERIFY(!w->Changed());
        // The next request waits its two minutes like after a good result.
        sim.setStatus(0);
        m_clock.now = m_clock.now.addSecs(121);
        QTRY_COMPARE(w->MainGrid->RowCount(), 3);
        // The row shows before the acknowledgement of its result goes out.
        QTRY_COMPARE(requestCodes(sim), (std::vector<int>{6, 9, 6, 9}));
    }

    // A short reply carries values 0..3; the other columns repeat the previous result.
    void shortReplyKeepsOlderValues()
    {
        InstrumentSim sim(InstrumentSim::Family::Tarvo);
        sim.setValues(kValuesA);
        auto w = window();
        QVERIFY(startOn(*w, sim));
        QTRY_COMPARE(w->MainGrid->RowCount(), 3);
        QTRY_COMPARE(countCode(sim, 9), 1);
        sim.setValues(kValuesB);
        QVERIFY(sim.setTarvoLength(38));
        m_clock.now = m_clock.now.addSecs(150);
        QTRY_COMPARE(w->MainGrid->RowCount(), 4);
        const auto ex = resultExchanges(sim);
        QCOMPARE(ex.size(), size_t(2));
        QCOMPARE(ex[1].values.size(), size_t(4));
        QCOMPARE(w->MainGrid->Cells(4, 2), QString::number(ex[1].groupOrCount));
        for (int k = 0; k < 4; ++k)
            QCOMPARE(w->MainGrid->Cells(5 + k, 2), FormatValue(ex[1].values[k]));
        for (int c = 9; c < 17; ++c)
            QCOMPARE(w->MainGrid->Cells(c, 2), w->MainGrid->Cells(c, 1));
        QCOMPARE(w->MainGrid->Cells(5, 2), QStringLiteral("18,25"));
    }

    // The number box gives the address of every request; another address gets no answer.
    void deviceNumberAddressesRequests_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("address");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("4660 = 0x1234") << 4660 << 0x1234;
        QTest::newRow("65535") << 65535 << 0xFFFF;
        QTest::newRow("other instrument") << 7 << 8;
    }
    void deviceNumberAddressesRequests()
    {
        QFETCH(int, number);
        QFETCH(int, address);
        InstrumentSim sim(InstrumentSim::Family::Tarvo, uint16_t(address));
        auto w = window();
        w->NumberEdit1->SetValue(number);
        QVERIFY(startOn(*w, sim));
        QTRY_VERIFY(!sim.receivedFrames().empty());
        const auto frame = sim.receivedFrames().front();
        const auto want = RequestFrame(uint16_t(number), 6);
        QCOMPARE(frame, std::vector<uint8_t>(want.begin(), want.end()));
        if (number == address) {
            QTRY_COMPARE(w->MainGrid->RowCount(), 3);
        } else {
            // Unanswered: asked again on the next pass, no row.
            QTRY_VERIFY(countCode(sim, 6) >= 2);
            QCOMPARE(w->MainGrid->RowCount(), 2);
        }
    }

    // Closing while polling stops the poller and waits for it.
    void closeWhilePolling()
    {
        InstrumentSim sim(InstrumentSim::Family::Tarvo);
        useDataFile();
        auto w = window();
        w->show();
        QVERIFY(startOn(*w, sim));
        QTRY_COMPARE(w->MainGrid->RowCount(), 3);
        m_boxes.answers = {QMessageBox::No};
        QVERIFY(w->close());
        QVERIFY(!w->Poller()->Active());
        QVERIFY(w->NumberEdit1->isEnabled());
        TIniPlus ini(path(QStringLiteral("Tarvo.Ini")));
        QCOMPARE(ini.ReadString("Config", "COM", {}), QString::fromStdString(sim.slaveName()));
    }

    void portThatCannotOpen()
    {
        auto w = window();
        w->OpTarvo1->Port = QStringLiteral("/nonexistent/tty");
        w->actOpr->trigger();
        QTRY_COMPARE(m_boxes.calls.size(), 1);
        QCOMPARE(m_boxes.calls[0].text, QStringLiteral("Ошибка открытия порта"));
        QCOMPARE(m_boxes.calls[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(m_boxes.calls[0].icon, QMessageBox::Critical);
        QTRY_VERIFY(!w->Poller()->Active());
        QVERIFY(w->NumberEdit1->isEnabled());
        QCOMPARE(w->actOpr->toolTip(), QStringLiteral("Включить опрос"));
        QCOMPARE(m_boxes.calls.size(), 1);
    }

    void closePrompt_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("saves");
        QTest::newRow("Cancel") << int(QMessageBox::Cancel) << false << false;
        QTest::newRow("No") << int(QMessageBox::No) << true << false;
        QTest::newRow("Yes") << int(QMessageBox::Yes) << true << true;
    }
    void closePrompt()
    {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(bool, saves);
        useDataFile();
        auto w = window();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(typeLabel(w->MainGrid, 1, QStringLiteral("Проба")));
        QVERIFY(w->Changed());
        QVERIFY(QFile::remove(path(QStringLiteral("Tarvo.Ini"))));
        w->OpTarvo1->Port = QStringLiteral("/dev/ttyUSB3");
        w->NumberEdit1->SetValue(34);
        m_boxes.answers = {QMessageBox::StandardButton(answer)};
        QCOMPARE(w->close(), closes);
        QCOMPARE(m_boxes.calls.size(), 1);
        QCOMPARE(m_boxes.calls[0].caption, QStringLiteral("Данные были изменены"));
        QCOMPARE(m_boxes.calls[0].text, QStringLiteral("Сохранить данные?"));
        QCOMPARE(m_boxes.calls[0].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(w->isVisible(), !closes);
        QCOMPARE(QFile::exists(path(QStringLiteral("Tarvo.Ini"))), closes);
        QCOMPARE(QFile::exists(path(QStringLiteral("data.txt"))), saves);
        if (saves)
            QVERIFY(getFile(path(QStringLiteral("data.txt"))).startsWith("\xcf\xf0\xee\xe1\xe0\t"));
        if (!closes)
            return;
        TIniPlus ini(path(QStringLiteral("Tarvo.Ini")));
        QCOMPARE(ini.ReadString("Config", "COM", {}), QStringLiteral("/dev/ttyUSB3"));
        QCOMPARE(ini.ReadString("Config", "FileName", {}), path(QStringLiteral("data.txt")));
        QCOMPARE(ini.ReadInteger("Config", "DeviceNumber", -1), 34);
        QVERIFY(!ini.SectionExists("View"));
    }

    // Results without an edit are unsaved data too: closing guards them.
    void closeAsksOnlyWhenChanged()
    {
        useDataFile();
        auto w = window();
        w->show();
        QVERIFY(w->close());
        QVERIFY(m_boxes.calls.isEmpty());
        auto w2 = window();
        w2->show();
        feed(*w2, kValuesA);
        QCOMPARE(w2->MainGrid->RowCount(), 3);
        QVERIFY(w2->Changed());
        m_boxes.answers = {QMessageBox::Yes};
        QVERIFY(w2->close());
        QCOMPARE(m_boxes.calls.size(), 1);
        QVERIFY(!w2->Changed());
        QCOMPARE(getFile(path(QStringLiteral("data.txt"))).count("\r\n"), 2);
    }

    void openPrompt_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("saves");
        QTest::newRow("unchanged: no question")
            << false << int(QMessageBox::NoButton) << true << false;
        QTest::newRow("Cancel") << true << int(QMessageBox::Cancel) << false << false;
        QTest::newRow("No") << true << int(QMessageBox::No) << true << false;
        QTest::newRow("Yes") << true << int(QMessageBox::Yes) << true << true;
    }
    void openPrompt()
    {
        QFETCH(bool, edited);
        QFETCH(int, answer);
        QFETCH(bool, opens);
        QFETCH(bool, saves);
        useDataFile();
        QVERIFY(putFile(path(QStringLiteral("other.txt")), "other\t01.02.2024\t11:00:00\t2\r\n"));
        auto w = window();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        if (edited)
            QVERIFY(typeLabel(w->MainGrid, 1, QStringLiteral("mine")));
        int asked = 0;
        w->AskOpenFileName = [&](const QString &current) {
            ++asked;
            return current == path(QStringLiteral("data.txt")) ? path(QStringLiteral("other.txt"))
                                                               : QString();
        };
        m_boxes.answers = {QMessageBox::StandardButton(answer)};
        w->actOpenFile->trigger();
        QCOMPARE(m_boxes.calls.size(), edited ? 1 : 0);
        if (edited)
            QCOMPARE(m_boxes.calls[0].buttons,
                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(asked, opens ? 1 : 0);
        QCOMPARE(w->MainGrid->Cells(1, 1), opens ? QStringLiteral("other") : QStringLiteral("mine"));
        QCOMPARE(w->Changed(), !opens);
        QCOMPARE(getFile(path(QStringLiteral("data.txt"))).startsWith("mine\t"), saves);
        if (opens) {
            QCOMPARE(w->FileName(), path(QStringLiteral("other.txt")));
            QCOMPARE(w->MainGrid->RowCount(), 3);
        }
    }

    // A file that cannot be read replaces nothing: the table, its file name and its unsaved
    // state stay, so that a later save cannot write over the file that failed to open.
    void failedOpen_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("a folder") << QStringLiteral("sub");
        QTest::newRow("unreadable file") << QStringLiteral("locked.txt");
    }
    void failedOpen()
    {
        QFETCH(QString, target);
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::Permissions(0x7755)));
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sub")));
        const QByteArray locked = "locked\t01.01.2024\t09:00:00\r\n";
        QVERIFY(putFile(path(QStringLiteral("locked.txt")), locked));
        QVERIFY(QFile::setPermissions(path(QStringLiteral("locked.txt")),
                                      QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup
                                          | QFile::WriteOther));
        useDataFile();
        auto w = window();
        feed(*w, kValuesA);
        const QList<QStringList> before = gridRows(w->MainGrid);
        const QString title = w->windowTitle();
        m_boxes.answers = {QMessageBox::No};
        w->AskOpenFileName = [&](const QString &) { return path(target); };
        {
            AsNobody nobody;
            w->actOpenFile->trigger();
        }
        QCOMPARE(m_boxes.calls.size(), 2);
        QCOMPARE(m_boxes.calls[1].caption, QStringLiteral("Ошибка"));
        QVERIFY(m_boxes.calls[1].text.startsWith(QStringLiteral("Не удалось открыть файл")));
        QCOMPARE(gridRows(w->MainGrid), before);
        QCOMPARE(w->FileName(), path(QStringLiteral("data.txt")));
        QCOMPARE(w->windowTitle(), title);
        QVERIFY(w->Changed());
        w->actSave->trigger();
        QCOMPARE(getFile(path(QStringLiteral("locked.txt"))), locked);
        QVERIFY(getFile(path(QStringLiteral("data.txt"))).startsWith("\t05.03.2024\t"));
    }

    // The last file of the settings, unreadable at start, is not taken over either.
    void unreadableLastFileAtStart()
    {
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::Permissions(0x7755)));
        const QByteArray locked = "locked\t01.01.2024\t09:00:00\r\n";
        QVERIFY(putFile(path(QStringLiteral("locked.txt")), locked));
        QVERIFY(QFile::setPermissions(path(QStringLiteral("locked.txt")),
                                      QFile::WriteOwner | QFile::WriteOther));
        useDataFile(QStringLiteral("locked.txt"));
        std::unique_ptr<TForm2> w;
        {
            AsNobody nobody;
            w = window();
        }
        // No box while the window is made (the hidden start-up instances are made the same
        // way); it comes up once the window is shown.
        QVERIFY(!QApplication::activeModalWidget());
        QString shown;
        w->MessageBox = [&](QMessageBox::Icon, const QString &, const QString &text,
                            QMessageBox::StandardButtons) {
            shown = text;
            return QMessageBox::Ok;
        };
        QTimer::singleShot(0, w.get(), [&] { w->close(); });
        w->ShowModal();
        QVERIFY(shown.startsWith(QStringLiteral("Не удалось открыть файл")));
        QCOMPARE(w->FileName(), QStringLiteral("Новый.txt"));
        QCOMPARE(w->MainGrid->RowCount(), 2);
        QCOMPARE(w->MainGrid->Cells(0, 1), QStringLiteral("1"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Регистрация(Новый.txt)"));
        QCOMPARE(getFile(path(QStringLiteral("locked.txt"))), locked);
    }

    void newKeepsFlagOnNo()
    {
        useDataFile();
        auto w = window();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(typeLabel(w->MainGrid, 1, QStringLiteral("x")));
        feed(*w, kValuesA);
        w->actNew->trigger();
        QCOMPARE(m_boxes.calls.size(), 1);
        QCOMPARE(m_boxes.calls[0].text, QStringLiteral("Сохранить данные?"));
        QCOMPARE(m_boxes.calls[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY(w->Changed());
        QCOMPARE(w->MainGrid->RowCount(), 2);
        QVERIFY(rowCells(w->MainGrid, 1).mid(1).join(QString()).isEmpty());
        QCOMPARE(w->MainGrid->Cells(0, 1), QStringLiteral("1"));
        QVERIFY(!QFile::exists(path(QStringLiteral("data.txt"))));
        w->actNew->trigger();
        QCOMPARE(m_boxes.calls.size(), 2);
    }

    void newFileName_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none yet") << QStringList() << QStringLiteral("Новый1.txt");
        QTest::newRow("1 taken") << QStringList{QStringLiteral("Новый1.txt")}
                                 << QStringLiteral("Новый2.txt");
        QTest::newRow("1 and 2 taken")
            << QStringList{QStringLiteral("Новый1.txt"), QStringLiteral("Новый2.txt")}
            << QStringLiteral("Новый3.txt");
        QTest::newRow("only 2 taken")
            << QStringList{QStringLiteral("Новый2.txt")} << QStringLiteral("Новый1.txt");
    }
    void newFileName()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, expected);
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sub")));
        useDataFile(QStringLiteral("sub/data.txt"));
        for (const QString &name : existing)
            QVERIFY(putFile(path(QStringLiteral("sub/") + name), "\r\n"));
        auto w = window();
        w->actNew->trigger();
        const QString full = path(QStringLiteral("sub/") + expected);
        QCOMPARE(w->FileName(), full);
        QCOMPARE(w->windowTitle(), QStringLiteral("Регистрация(") + full + QStringLiteral(")"));
        QVERIFY(m_boxes.calls.isEmpty());
    }

    // Saved and opened again: the same rows, numbered afresh.
    void saveAndOpenAgain()
    {
        auto w = window();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        feed(*w, kValuesA, 0, 3);
        feed(*w, kValuesB, 0, 4);
        QVERIFY(typeLabel(w->MainGrid, 2, QStringLiteral("Корова №5")));
        QVERIFY(typeLabel(w->MainGrid, 3, QStringLiteral("next")));
        const QList<QStringList> before = gridRows(w->MainGrid);
        QCOMPARE(before.size(), 3);
        w->MainGrid->SetCells(0, 2, QStringLiteral("77"));
        const QString file = path(QStringLiteral("round.txt"));
        w->AskSaveFileName = [&](const QString &) { return file; };
        w->actSaveAs->trigger();
        QVERIFY(m_boxes.calls.isEmpty());
        QVERIFY(!w->Changed());
        QCOMPARE(w->FileName(), file);
        QCOMPARE(w->windowTitle(), QStringLiteral("Регистрация(") + file + QStringLiteral(")"));
        w->actNew->trigger();
        QCOMPARE(w->MainGrid->RowCount(), 2);
        w->AskOpenFileName = [&](const QString &) { return file; };
        w->actOpenFile->trigger();
        QCOMPARE(gridRows(w->MainGrid), before);
        QVERIFY(!w->Changed());
        QVERIFY(m_boxes.calls.isEmpty());
    }

    // Ctrl+S works inside the label editor: what is being typed is part of what is saved,
    // and a table replaced by New or Open takes no leftover editor text.
    void labelBeingTyped_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("save") << QStringLiteral("save");
        QTest::newRow("close, Yes") << QStringLiteral("close");
        QTest::newRow("new, Yes") << QStringLiteral("new");
        QTest::newRow("open, No") << QStringLiteral("open");
    }
    void labelBeingTyped()
    {
        QFETCH(QString, action);
        useDataFile();
        QVERIFY(putFile(path(QStringLiteral("other.txt")), "other\t01.02.2024\t11:00:00\r\n"));
        auto w = window();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->AskOpenFileName = [&](const QString &) { return path(QStringLiteral("other.txt")); };
        TColorStringGrid *g = w->MainGrid;
        g->setFocus();
        g->setCurrentIndex(g->model()->index(0, 1));
        QTest::keyClick(g, Qt::Key_F2);
        auto *editor = g->findChild<QLineEdit *>();
        QVERIFY(editor && g->EditorOpen());
        QTest::keyClicks(editor, QStringLiteral("typed"));
        m_boxes.answers = {action == u"open" ? QMessageBox::No : QMessageBox::Yes};
        if (action == u"save")
            QTest::keySequence(editor, QKeySequence(QStringLiteral("Ctrl+S")));
        else if (action == u"close")
            QVERIFY(w->close());
        else if (action == u"new")
            w->actNew->trigger();
        else
            w->actOpenFile->trigger();
        if (action != u"open")
            QVERIFY(getFile(path(QStringLiteral("data.txt"))).startsWith("typed\t"));
        if (action == u"new" || action == u"open") {
            QTest::qWait(0);
            if (g->EditorOpen())
                QTest::keyClick(g->findChild<QLineEdit *>(), Qt::Key_Return);
            QTRY_VERIFY(!g->EditorOpen());
            QCOMPARE(g->Cells(1, 1), action == u"open" ? QStringLiteral("other") : QString());
        } else if (action == u"save") {
            QVERIFY(!w->Changed());
        }
    }

    void failedSave_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("folder missing") << QStringLiteral("no/such/r.txt");
        QTest::newRow("a folder") << QStringLiteral("sub");
        QTest::newRow("read-only folder") << QStringLiteral("ro/data.txt");
    }
    void failedSave()
    {
        QFETCH(QString, target);
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::Permissions(0x7755)));
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sub")));
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("ro")));
        const QByteArray old = "kept\t01.01.2024\t09:00:00\t1\r\n\t\t\r\n";
        QVERIFY(putFile(path(QStringLiteral("ro/data.txt")), old));
        QVERIFY(QFile::setPermissions(path(QStringLiteral("ro")),
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther
                                          | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup));
        useDataFile(QStringLiteral("ro/data.txt"));
        auto w = window();
        QCOMPARE(w->MainGrid->Cells(1, 1), QStringLiteral("kept"));
        feed(*w, kValuesA);
        QVERIFY(w->Changed());
        if (target == QStringLiteral("ro/data.txt")) {
            AsNobody nobody; // root would write into the read-only folder
            w->actSave->trigger();
        } else {
            w->AskSaveFileName = [&](const QString &) { return path(target); };
            w->actSaveAs->trigger();
        }
        QFile::setPermissions(path(QStringLiteral("ro")), QFile::Permissions(0x7700));
        QCOMPARE(m_boxes.calls.size(), 1);
        QCOMPARE(m_boxes.calls[0].caption, QStringLiteral("Ошибка"));
        QVERIFY(m_boxes.calls[0].text.startsWith(QStringLiteral("Не удалось сохранить файл")));
        QVERIFY(w->Changed());
        QCOMPARE(w->FileName(), path(QStringLiteral("ro/data.txt")));
        QCOMPARE(getFile(path(QStringLiteral("ro/data.txt"))), old);
        QVERIFY(QFileInfo(path(QStringLiteral("sub"))).isDir());
        QCOMPARE(w->MainGrid->RowCount(), 4); // the file's two rows and the new result
    }

    void widthRule_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("results");
        QTest::newRow("756 x 527") << QSize(756, 527) << 0;
        QTest::newRow("1000 x 600") << QSize(1000, 600) << 0;
        QTest::newRow("1279 x 700") << QSize(1279, 700) << 0;
        QTest::newRow("rows fill the grid: scroll bar") << QSize(756, 527) << 40;
    }
    void widthRule()
    {
        QFETCH(QSize, size);
        QFETCH(int, results);
        auto w = window();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->resize(size);
        TColorStringGrid *g = w->MainGrid;
        QTRY_COMPARE(g->ColWidths(1), (g->GridClientWidth() - 2) / 16);
        for (int i = 0; i < results; ++i)
            feed(*w, kValuesA);
        if (results > 0)
            QTRY_VERIFY(g->verticalScrollBar()->isVisible());
        QTRY_COMPARE(g->ColWidths(1), (g->GridClientWidth() - 2) / 16);
        QTRY_VERIFY(!g->horizontalScrollBar()->isVisible());
        const int unit = (g->GridClientWidth() - 2) / 16;
        QVERIFY(unit > 20);
        int sum = 0;
        for (int c = 0; c < 17; ++c) {
            QCOMPARE(g->ColWidths(c), (c == 0 || c == 4) ? unit / 2 : unit);
            sum += g->ColWidths(c);
        }
        QVERIFY(sum <= g->GridClientWidth() - 2);
    }

    void titlesShortcutsNames()
    {
        auto w = window();
        for (int c = 0; c < 17; ++c)
            QCOMPARE(w->MainGrid->Cells(c, 0), kTitles[c]);
        QCOMPARE(w->mnFile->title(), QStringLiteral("Файл"));
        QCOMPARE(w->mnAbout->text(), QStringLiteral("О программе"));
        const std::tuple<QAction *, QString, QKeySequence> actions[]
            = {{w->actNew, QStringLiteral("Новый"), QKeySequence(QStringLiteral("Ctrl+N"))},
               {w->actOpenFile, QStringLiteral("Открыть"), QKeySequence(QStringLiteral("Ctrl+O"))},
               {w->actSave, QStringLiteral("Сохранить"), QKeySequence(QStringLiteral("Ctrl+S"))},
               {w->actSaveAs, QStringLiteral("Сохранить как"),
                QKeySequence(QStringLiteral("Ctrl+Shift+S"))},
               {w->actPrint, QStringLiteral("Печать"), QKeySequence(QStringLiteral("Ctrl+P"))},
               {w->actOpr, QStringLiteral("Включить опрос"), QKeySequence(QStringLiteral("F5"))}};
        for (const auto &[a, text, key] : actions) {
            QCOMPARE(a->toolTip(), text);
            QCOMPARE(a->shortcut(), key);
        }
        QCOMPARE(w->NumberEdit1->toolTip(), QStringLiteral("Номер прибора"));
        int buttons = 0;
        for (QAction *a : w->ToolBar1->actions()) {
            if (auto *b = qobject_cast<QToolButton *>(w->ToolBar1->widgetForAction(a))) {
                QVERIFY2(!b->accessibleName().isEmpty(), qPrintable(b->objectName()));
                ++buttons;
            }
        }
        QCOMPARE(buttons, 5);
        QCOMPARE(w->windowTitle(), QStringLiteral("Регистрация(Новый.txt)"));
    }

    void aboutWindow()
    {
        auto w = window();
        QStringList seen;
        QTimer timer;
        int ticks = 0;
        connect(&timer, &QTimer::timeout, this, [&] {
            auto *about = w->findChild<TfrmBAbout *>();
            if (about && about->isVisible()) {
                seen = {about->windowTitle(), about->lblProgName->text(),
                        about->lblCompanyName->text(), about->lblTel->text()};
                about->accept();
            } else if (++ticks > 200 && QApplication::activeModalWidget()) {
                QApplication::activeModalWidget()->close();
            }
        });
        timer.start(10);
        w->mnAbout->trigger();
        timer.stop();
        QCOMPARE(seen.size(), 4);
        QCOMPARE(seen[0], QStringLiteral("О программе"));
        QCOMPARE(seen[1], QStringLiteral("Регистрация"));
        QCOMPARE(seen[2], QStringLiteral("ООО НПП \"ОРВАНТ\""));
        QVERIFY(seen[3].startsWith(QStringLiteral("тел/факс ")));
        QVERIFY(!w->findChild<TfrmBAbout *>());
    }

    void printWithoutPrinter()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("a default printer is installed here");
        auto w = window();
        w->actPrint->trigger();
        QCOMPARE(m_boxes.calls.size(), 1);
        QCOMPARE(m_boxes.calls[0].caption, QStringLiteral("Ошибка"));
        QVERIFY(m_boxes.calls[0].text.contains(QStringLiteral("Принтер не найден")));
    }

    void settingsAtCreation_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("number");
        QTest::newRow("no file") << QString() << QStringLiteral("COM1")
                                 << QStringLiteral("Новый.txt") << 0;
        QTest::newRow("all keys") << QStringLiteral(
            "[Config]\r\nCOM=/dev/ttyUSB0\r\nFileName=%1/x.txt\r\n"
            "DeviceNumber=17\r\n") << QStringLiteral("/dev/ttyUSB0")
                                  << QStringLiteral("%1/x.txt") << 17;
        QTest::newRow("number not a number")
            << QStringLiteral("[Config]\r\nDeviceNumber=abc\r\n") << QStringLiteral("COM1")
            << QStringLiteral("Новый.txt") << 0;
        QTest::newRow("other sections only")
            << QStringLiteral("[View]\r\n5=0\r\n") << QStringLiteral("COM1")
            << QStringLiteral("Новый.txt") << 0;
    }
    void settingsAtCreation()
    {
        QFETCH(QString, ini);
        QFETCH(QString, port);
        QFETCH(QString, file);
        QFETCH(int, number);
        if (!ini.isNull())
            writeIni(ini.contains(QLatin1String("%1")) ? ini.arg(m_dir->path()) : ini);
        if (file.contains(QLatin1String("%1")))
            file = file.arg(m_dir->path());
        auto w = window();
        QCOMPARE(w->OpTarvo1->Port, port);
        QCOMPARE(w->FileName(), file);
        QCOMPARE(w->NumberEdit1->Value(), double(number));
        QCOMPARE(w->IniPath(), path(QStringLiteral("Tarvo.Ini")));
        QCOMPARE(w->MainGrid->RowCount(), 2);
        QCOMPARE(w->MainGrid->Cells(0, 1), QStringLiteral("1"));
        QVERIFY(m_boxes.calls.isEmpty());
    }

    // A window destroyed without closing (a crash) leaves its journal; the next window offers
    // the rows back.
    void recoveryJournal_data()
    {
        QTest::addColumn<bool>("recover");
        QTest::addColumn<int>("tear");
        QTest::newRow("recovered") << true << 0;
        QTest::newRow("torn last record skipped") << true << 3;
        QTest::newRow("declined") << false << 0;
    }
    void recoveryJournal()
    {
        QFETCH(bool, recover);
        QFETCH(int, tear);
        useDataFile();
        const QByteArray saved = "old\t01.01.2024\t09:00:00\t1\r\n";
        QVERIFY(putFile(path(QStringLiteral("data.txt")), saved));

        InstrumentSim sim(InstrumentSim::Family::Tarvo);
        QVERIFY(sim.start());
        QList<QStringList> before;
        TForm2 *first = window().release();
        // Every pass finds two more minutes gone: results keep coming.
        first->Now = [this] { return m_clock.now = m_clock.now.addSecs(121); };
        QTimer::singleShot(0, this, [&] {
            crashSession(first, sim, before);
            delete first;
        });
        first->ShowModal();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(before.size() >= 5);
        const QString journal = path(QStringLiteral("Tarvo.journal"));
        QVERIFY(QFile::exists(journal));
        if (tear > 0) {
            QFile f(journal);
            QVERIFY(f.resize(f.size() - tear));
            before[1][1].clear(); // the label was the last record
        }

        auto second = window();
        m_boxes.answers = {recover ? QMessageBox::Yes : QMessageBox::No, QMessageBox::No};
        QList<QStringList> after;
        QByteArray journalAfter;
        QTimer::singleShot(0, this, [&] {
            after = gridRows(second->MainGrid);
            journalAfter = getFile(journal);
            second->close();
        });
        second->ShowModal();
        QVERIFY(!second->isVisible());
        QVERIFY(m_boxes.calls.size() >= 1);
        QCOMPARE(m_boxes.calls[0].caption, QStringLiteral("Восстановление данных"));
        QVERIFY(m_boxes.calls[0].text.contains(QString::number(before.size() - 2)));
        if (recover) {
            QCOMPARE(after, before);
            QCOMPARE(m_boxes.calls.size(), 2); // the recovered rows are unsaved
        } else {
            QCOMPARE(after.size(), 2);
            QCOMPARE(after[0][1], QStringLiteral("old"));
            QVERIFY(after[1].mid(1).join(QString()).isEmpty());
            const auto records = TJournal::Parse(journalAfter);
            QCOMPARE(records.size(), size_t(1));
            QCOMPARE(records[0].type, TJournal::Record::Base);
            QCOMPARE(m_boxes.calls.size(), 1);
        }
        QCOMPARE(getFile(path(QStringLiteral("data.txt"))), saved);
        QCOMPARE(QFileInfo(journal).size(), 0); // gone, or empty
    }

private:
    void crashSession(TForm2 *w, InstrumentSim &sim, QList<QStringList> &before)
    {
        w->OpTarvo1->Port = QString::fromStdString(sim.slaveName());
        w->actOpr->trigger();
        QTRY_VERIFY(w->MainGrid->RowCount() >= 6);
        w->actOpr->trigger();
        QTRY_VERIFY(!w->Poller()->Active());
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QVERIFY(typeLabel(w->MainGrid, 2, QStringLiteral("Проба-7")));
        before = gridRows(w->MainGrid);
    }
};

WINDOW_TEST_MAIN(TestForm2)
#include "tst_form2.moc"
