#include <memory>

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>

#include "WindowTestSupport.h"
#include "controls/TNumberEdit.h"
#include "pollers/TOpMirel.h"
#include "results/LocaleFormats.h"
#include "settings/TIniPlus.h"
#include "sim/InstrumentFrames.h"
#include "text/Cp1251.h"
#include "windows/TForm3.h"

namespace {

QStringList columnTitles()
{
    QStringList t = {QStringLiteral("№"), QStringLiteral("Проба"), QStringLiteral("Дата"),
                     QStringLiteral("Время"), QStringLiteral("Кол-во")};
    for (int c = 5; c < 32; ++c)
        t.append(QStringLiteral("Показатель %1").arg(c));
    return t;
}

QString columnsSection()
{
    QString s = QStringLiteral("[Columns]\r\n");
    const QStringList t = columnTitles();
    for (int c = 0; c < 32; ++c)
        s += QStringLiteral("%1=%2\r\n").arg(c).arg(t[c]);
    return s;
}

} // namespace

class TestForm3 : public QObject, public WindowBench<TForm3>
{
    Q_OBJECT

public:
    TestForm3()
        : WindowBench(QStringLiteral("Mirel2.Ini"))
    {}

private:
    static std::unique_ptr<TForm3> shown(std::unique_ptr<TForm3> w)
    {
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            return nullptr;
        return w;
    }

    // A complete reply handed over as the poller does, without a line.
    static void feed(TForm3 &w, uint32_t mask, uint16_t status, uint8_t count, double base)
    {
        std::vector<uint32_t> words;
        for (int k = 0; k < 27; ++k)
            words.push_back(EncodeFp(base + k * 0.25));
        const auto echo = AddressEcho(0);
        const auto frame = BuildMirelFrame(234, mask, status, count, words, echo);
        TOpPoller *p = w.OpMirel1;
        p->ResultData[0] = 64;
        std::copy(frame.begin(), frame.end(), p->ResultData.begin() + 1);
        p->Command = 6;
        w.OpMirel1PutResult(p);
        w.OpMirel1PutResult(p);
    }

    static bool startOn(TForm3 &w, InstrumentSim &sim)
    {
        if (!sim.start())
            return false;
        w.OpMirel1->Port = QString::fromStdString(sim.slaveName());
        w.actOpr->trigger();
        return true;
    }

    // The width rule over the columns now shown.
    static void checkWidthRule(TColorStringGrid *g, int visible)
    {
        int n = 0;
        for (int c = 0; c < 32; ++c)
            n += g->ColWidths(c) > 0 ? 1 : 0;
        QCOMPARE(n, visible);
        const int a = (g->GridClientWidth() - 2) / n;
        QVERIFY(a > 10);
        QCOMPARE(g->ColWidths(0), a / 2);
        QCOMPARE(g->ColWidths(1), a + a / 2 - 10);
        for (int c = 2; c < 32; ++c) {
            if (g->ColWidths(c) > 0)
                QCOMPARE(g->ColWidths(c), a);
        }
    }

private slots:
    void init() { Prepare(); }
    void cleanup() { Finish(); }

    void columnsOnlySettings()
    {
        writeIni(columnsSection());
        auto w = window();
        const QStringList titles = columnTitles();
        for (int c = 0; c < 32; ++c)
            QCOMPARE(w->MainGrid->Cells(c, 0), titles[c]);
        const auto items = w->mnView->actions();
        QCOMPARE(items.size(), 27);
        for (int i = 0; i < 27; ++i) {
            QCOMPARE(items[i]->text(), titles[i + 5]);
            QVERIFY(items[i]->isChecked());
        }
        QCOMPARE(w->mnView->title(), QStringLiteral("Показатели"));
        QCOMPARE(w->OpMirel1->Port, QStringLiteral("COM1"));
        QCOMPARE(w->NumberEdit1->Value(), 0.0);
        QCOMPARE(w->FileName(), QStringLiteral("Новый.txt"));
        QCOMPARE(w->IniPath(), path(QStringLiteral("Mirel2.Ini")));
    }

    void noSettingsFile()
    {
        auto w = window();
        for (int c = 0; c < 32; ++c)
            QVERIFY(w->MainGrid->Cells(c, 0).isEmpty());
        QVERIFY(w->mnView->actions().isEmpty());
        QCOMPARE(w->OpMirel1->Port, QStringLiteral("COM1"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Регистрация(Новый.txt)"));
        for (int c = 0; c < 32; ++c)
            QVERIFY(w->MainGrid->ColWidths(c) > 0);
    }

    void viewAtStartAndToggle()
    {
        writeIni(columnsSection() + QStringLiteral("[View]\r\n7=0\r\n8=1\r\n9=yes\r\n"));
        auto w = shown(window());
        QVERIFY(w);
        TColorStringGrid *g = w->MainGrid;
        const auto items = w->mnView->actions();
        QCOMPARE(g->ColWidths(7), -1);
        QVERIFY(!items[2]->isChecked());
        QVERIFY(items[3]->isChecked());
        QVERIFY(items[4]->isChecked()); // not a number: the default
        checkWidthRule(g, 31);
        if (QTest::currentTestFailed())
            return;
        items[2]->trigger();
        QVERIFY(items[2]->isChecked());
        QVERIFY(g->ColWidths(7) > 0);
        checkWidthRule(g, 32);
        if (QTest::currentTestFailed())
            return;
        items[20]->trigger();
        QVERIFY(!items[20]->isChecked());
        QCOMPARE(g->ColWidths(25), -1);
        checkWidthRule(g, 31);
    }

    void hideEveryOptionalColumn_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("756 x 527") << QSize(756, 527);
        QTest::newRow("1100 x 640") << QSize(1100, 640);
    }
    void hideEveryOptionalColumn()
    {
        QFETCH(QSize, size);
        writeIni(columnsSection());
        auto w = shown(window());
        QVERIFY(w);
        for (QAction *item : w->mnView->actions())
            item->trigger();
        checkWidthRule(w->MainGrid, 5);
        if (QTest::currentTestFailed())
            return;
        w->resize(size);
        QTRY_COMPARE(w->MainGrid->ColWidths(2), (w->MainGrid->GridClientWidth() - 2) / 5);
        checkWidthRule(w->MainGrid, 5);
    }

    // Poll, the row with the values the mask names, the acknowledgement, then quiet until two
    // minutes have passed.
    void roadOfOneResult()
    {
        InstrumentSim sim(InstrumentSim::Family::Mirel);
        const uint32_t mask = 0x1 | 0x4 | (1u << 26);
        sim.setMask(mask);
        sim.setCount(7);
        auto w = window();
        int passes = 0;
        const TPollerEvent getNumber = w->OpMirel1->OnGetNumber;
        w->OpMirel1->OnGetNumber = [&](TOpPoller *p) {
            getNumber(p);
            ++passes;
        };
        QVERIFY(startOn(*w, sim));
        QTRY_COMPARE(w->MainGrid->RowCount(), 3);
        QTRY_COMPARE(countCode(sim, 9), 1);
        QTRY_COMPARE(int(w->OpMirel1->Command), 0);
        const int seen = passes;
        QTRY_VERIFY(passes >= seen + 2);
        QCOMPARE(requestCodes(sim), (std::vector<int>{6, 9}));

        const auto ex = resultExchanges(sim);
        QCOMPARE(ex.size(), size_t(1));
        QCOMPARE(ex[0].values.size(), size_t(27));
        TColorStringGrid *g = w->MainGrid;
        QCOMPARE(g->Cells(2, 1), QStringLiteral("05.03.2024"));
        QCOMPARE(g->Cells(3, 1), QStringLiteral("10:00:00"));
        QCOMPARE(g->Cells(4, 1), QStringLiteral("7"));
        for (int k = 0; k < 27; ++k) {
            const QString want = mask & (1u << k) ? FormatValue(ex[0].values[k]) : QString();
            QCOMPARE(g->Cells(5 + k, 1), want);
        }
        QVERIFY(g->Cells(5, 1).contains(QLatin1Char(',')));
        QCOMPARE(g->Cells(0, 2), QStringLiteral("2"));
        QVERIFY(rowCells(g, 2).mid(1).join(QString()).isEmpty());

        m_clock.now = m_clock.now.addSecs(120);
        const int later = passes;
        QTRY_VERIFY(passes >= later + 2);
        QCOMPARE(countCode(sim, 6), 1);
        m_clock.now = m_clock.now.addMSecs(1);
        QTRY_COMPARE(g->RowCount(), 4);
        QTRY_COMPARE(countCode(sim, 9), 2);
        QCOMPARE(g->Cells(3, 2), QStringLiteral("10:02:00"));
        QCOMPARE(g->Cells(4, 2), QStringLiteral("8"));
    }

    void statusDecidesRow_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("row");
        QTest::newRow("0x0801 error bit") << 0x0801 << false;
        QTest::newRow("0x0000 not finished") << 0x0000 << false;
        QTest::newRow("0x1A34 finished, other bits") << 0x1A34 << true;
    }
    void statusDecidesRow()
    {
        QFETCH(int, status);
        QFETCH(bool, row);
        InstrumentSim sim(InstrumentSim::Family::Mirel);
        sim.setStatus(uint16_t(status));
        auto w = window();
        QVERIFY(startOn(*w, sim));
        QTRY_COMPARE(countCode(sim, 9), 1);
        QCOMPARE(w->MainGrid->RowCount(), row ? 3 : 2);
        // Confirmed in every case; the next request waits its two minutes.
        sim.setStatus(0x0800);
        m_clock.now = m_clock.now.addSecs(121);
        QTRY_COMPARE(w->MainGrid->RowCount(), row ? 4 : 3);
        QTRY_COMPARE(countCode(sim, 9), 2);
        QCOMPARE(requestCodes(sim), (std::vector<int>{6, 9, 6, 9}));
        QCOMPARE(w->MainGrid->Cells(3, w->MainGrid->RowCount() - 2), QStringLiteral("10:02:01"));
    }

    void saveAndOpenAgain()
    {
        writeIni(columnsSection());
        auto w = shown(window());
        QVERIFY(w);
        feed(*w, 0x07FFFFFF, 0x0800, 3, 1.5);
        feed(*w, 0x00000003, 0x0800, 4, 10);
        QVERIFY(typeLabel(w->MainGrid, 1, QStringLiteral("Ферма")));
        QVERIFY(typeLabel(w->MainGrid, 3, QStringLiteral("open")));
        const QList<QStringList> before = gridRows(w->MainGrid);
        QCOMPARE(before.size(), 3);
        QCOMPARE(before[1][7], QString());
        w->MainGrid->SetCells(0, 1, QStringLiteral("99"));
        const QString file = path(QStringLiteral("mirel.txt"));
        w->AskSaveFileName = [&](const QString &) { return file; };
        w->actSaveAs->trigger();
        QVERIFY(!w->Changed());
        QCOMPARE(getFile(file).count('\t'), 3 * 30);
        w->actNew->trigger();
        w->AskOpenFileName = [&](const QString &) { return file; };
        w->actOpenFile->trigger();
        QCOMPARE(gridRows(w->MainGrid), before);
        QVERIFY(m_boxes.calls.isEmpty());
    }

    void openKeepsOpenRow_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("openLabel");
        QTest::newRow("last line without date")
            << QByteArray("a\t05.03.2024\t10:00:00\t1\r\nlbl\t\t\t\r\n") << 2
            << QStringLiteral("lbl");
        QTest::newRow("last line with date")
            << QByteArray("a\t05.03.2024\t10:00:00\t1\r\nb\t05.03.2024\t10:05:00\t2\r\n") << 3
            << QString();
        QTest::newRow("no lines") << QByteArray() << 1 << QString();
    }
    void openKeepsOpenRow()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, rows);
        QFETCH(QString, openLabel);
        const QString file = path(QStringLiteral("in.txt"));
        QVERIFY(putFile(file, bytes));
        auto w = window();
        w->AskOpenFileName = [&](const QString &) { return file; };
        w->actOpenFile->trigger();
        QCOMPARE(w->MainGrid->RowCount(), rows + 1);
        const int last = w->MainGrid->RowCount() - 1;
        QCOMPARE(w->MainGrid->Cells(0, last), QString::number(last));
        QCOMPARE(w->MainGrid->Cells(1, last), openLabel);
        QVERIFY(w->MainGrid->Cells(2, last).isEmpty());
        feed(*w, 1, 0x0800, 5, 2);
        QCOMPARE(w->MainGrid->Cells(1, last), openLabel);
        QCOMPARE(w->MainGrid->Cells(4, last), QStringLiteral("5"));
    }

    void closeWritesViewKeys_data()
    {
        QTest::addColumn<bool>("settings");
        QTest::newRow("no settings file") << false;
        QTest::newRow("columns given") << true;
    }
    void closeWritesViewKeys()
    {
        QFETCH(bool, settings);
        if (settings)
            writeIni(columnsSection() + QStringLiteral("[View]\r\n7=0\r\n"));
        auto w = shown(window());
        QVERIFY(w);
        if (settings)
            w->mnView->actions()[4]->trigger(); // column 9 off
        QVERIFY(w->close());
        TIniPlus ini(path(QStringLiteral("Mirel2.Ini")));
        QCOMPARE(ini.ReadString("Config", "COM", {}), QStringLiteral("COM1"));
        QCOMPARE(ini.ReadString("Config", "FileName", {}), QStringLiteral("Новый.txt"));
        QCOMPARE(ini.ReadInteger("Config", "DeviceNumber", -1), 0);
        QCOMPARE(ini.SectionExists("View"), settings);
        if (!settings)
            return;
        for (int c = 5; c < 32; ++c) {
            QVERIFY(ini.ValueExists("View", QString::number(c)));
            QCOMPARE(ini.ReadBool("View", QString::number(c), true), c != 7 && c != 9);
        }
        QVERIFY(!ini.ValueExists("View", QStringLiteral("4")));
        // The titles were placed by hand and stay as they were.
        QCOMPARE(ini.ReadString("Columns", "5", {}), QStringLiteral("Показатель 5"));
        QCOMPARE(ini.FileEncoding(), TIniPlus::Encoding::Cp1251);
    }
};

WINDOW_TEST_MAIN(TestForm3)
#include "tst_form3.moc"
