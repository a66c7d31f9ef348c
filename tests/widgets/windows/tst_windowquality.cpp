// The quality tools as the registration windows carry them: limits from the settings file,
// the limits dialog and the notes on limits that could not be taken. Without limits the
// window stays as it always was. Colours and statistics at work: tests/e2e/e2e_quality.sh.

#include <QLabel>
#include <QMenuBar>

#include "WindowTestSupport.h"
#include "pollers/TOpTarvo.h"
#include "quality/TLimitColors.h"
#include "quality/TStatsBar.h"
#include "settings/TIniPlus.h"
#include "sim/InstrumentFrames.h"
#include "text/QualityStrings.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

namespace {

// Temperature, fat, SNF, density, protein, added water, ... (columns 5 .. 16).
std::vector<double> sample(double fat, double water)
{
    return {20.5, fat, 8.75, 1028.5, 3.125, water, 1.5, 4.75, 0.5, 12.25, -0.53, 90};
}

void feed(TForm2 &w, const std::vector<double> &values)
{
    std::vector<uint32_t> words;
    for (double v : values)
        words.push_back(EncodeFp(v));
    const auto frame = BuildTarvoFrame(106, 0, 1, words, AddressEcho(0));
    TOpPoller *p = w.OpTarvo1;
    p->ResultData[0] = 4;
    std::copy(frame.begin(), frame.end(), p->ResultData.begin() + 1);
    p->Command = 6;
    w.OpTarvo1PutResult(p);
    w.OpTarvo1PutResult(p); // the acknowledgement's reply
}

QStringList menuTitles(QMainWindow &w)
{
    QStringList titles;
    for (QAction *a : w.menuBar()->actions())
        titles << a->text();
    return titles;
}

const QString kFat = QStringLiteral("6=2.8;6.0\r\n");
const QString kWater = QStringLiteral("10=;0\r\n");

} // namespace

class TestWindowQuality : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT

public:
    TestWindowQuality()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private slots:
    void init() { Prepare(); }
    void cleanup() { Finish(); }

    void withoutLimitsNothingChanges_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::newRow("no settings file") << QString();
        QTest::newRow("no Limits section") << QStringLiteral("[Config]\r\nDeviceNumber=3\r\n");
        QTest::newRow("empty section") << QStringLiteral("[Limits]\r\n");
        QTest::newRow("blank limits") << QStringLiteral("[Limits]\r\n7=\r\n8=;\r\n");
    }
    void withoutLimitsNothingChanges()
    {
        QFETCH(QString, ini);
        if (!ini.isNull())
            writeIni(ini);
        auto w = window();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        feed(*w, sample(2.5, 3.88));
        QVERIFY(!w->MainGrid->OnGetCellColor);
        QVERIFY(w->qualityPanel->statsBar()->isHidden());
        QVERIFY(w->qualityPanel->notes().isEmpty());
        // The status bar belongs to the line; limits add nothing to it.
        QVERIFY(!w->findChild<QLabel *>(QStringLiteral("limitNotes")));
        QCOMPARE(w->MainGrid->geometry(), w->centralWidget()->rect());
        // The menus the operator knows keep their places; the new one comes last.
        QCOMPARE(menuTitles(*w), (QStringList{QStringLiteral("Файл"), QStringLiteral("О программе"),
                                              Str::MenuService}));
        QVERIFY(w->close());
        const TIniPlus after(path(QStringLiteral("Tarvo.Ini")));
        QVERIFY(!after.SectionExists(QStringLiteral("Window")));
        QCOMPARE(after.SectionExists(TLimits::Section), ini.contains(TLimits::Section));
    }

    // Whatever the section holds, the window opens, colours what it can, says what it could
    // not take, and writes the results file back byte for byte.
    void badLimitsAreNotes_data()
    {
        QTest::addColumn<QString>("limits");
        QTest::addColumn<QList<int>>("taken");
        QTest::addColumn<QString>("note");
        QString many;
        for (int k = 100; k < 1100; ++k)
            many += QStringLiteral("%1=1;2\r\n").arg(k);
        QTest::newRow("min above max") << "7=6;2.8\r\n" << QList<int>{} << "минимум больше";
        QTest::newRow("1,000 keys") << many << QList<int>{} << "ещё замечаний: 992";
        QTest::newRow("good beside bad")
            << kFat + "7=nan;inf\r\n" + kWater << QList<int>{6, 10} << "столбец 7";
    }
    void badLimitsAreNotes()
    {
        QFETCH(QString, limits);
        QFETCH(QList<int>, taken);
        QFETCH(QString, note);
        // A file from elsewhere: a label, "NAN" and an empty cell where values belong.
        const QByteArray results = Cp1251::encode(
            QStringLiteral("А\t01.02.2024\t10:00:00\t1\t20,00\tПроба\tNAN\t\t3,00\t3,88"
                           "\t1\t2\t3\t4\t-0,50\t90\r\n\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\r\n"));
        QVERIFY(putFile(path(QStringLiteral("data.txt")), results));
        writeIni(QStringLiteral("[Config]\r\nFileName=%1\r\n[Limits]\r\n")
                     .arg(path(QStringLiteral("data.txt")))
                 + limits);
        auto w = window();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->qualityPanel->limits().columns(), taken);
        QCOMPARE(bool(w->MainGrid->OnGetCellColor), !taken.isEmpty());
        QVERIFY(w->qualityPanel->notes().join(u'\n').contains(note));
        auto *label = w->findChild<QLabel *>(QStringLiteral("limitNotes"));
        QVERIFY(label && label->isVisible());
        QVERIFY(label->text().contains(note));
        QVERIFY(w->qualityPanel->notes().size() <= 9);
        w->MainGrid->grab(); // every cell drawn through the hook
        for (int c = 0; c < w->MainGrid->ColCount(); ++c)
            w->qualityPanel->colours()->toolTip(c, 1);
        w->qualityPanel->statsBar()->grab();
        w->actSaveExecute();
        QCOMPARE(getFile(path(QStringLiteral("data.txt"))), results);
    }

    void limitsDialog_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("refusingFile");
        QTest::newRow("OK writes them") << true << false;
        QTest::newRow("Cancel changes nothing") << false << false;
        QTest::newRow("a file that refuses them") << true << true;
    }
    void limitsDialog()
    {
        QFETCH(bool, accept);
        QFETCH(bool, refusingFile);
        QString ini = QStringLiteral("[Limits]\r\n7=abc\r\n40=1;2\r\n");
        if (refusingFile) // too large to be the program's: never rewritten
            ini += QStringLiteral(";%1\r\n").arg(QString(TIniPlus::MaxFileSize, u'x'));
        writeIni(ini);
        const QByteArray before = getFile(path(QStringLiteral("Tarvo.Ini")));
        auto w = window();
        TQualityPanel *panel = w->qualityPanel;
        QCOMPARE(panel->notes().size(), refusingFile ? 0 : 2);

        QList<std::pair<int, QString>> asked;
        TLimits chosen;
        chosen.setLimit(6, TLimit{2.8, 6.0});
        chosen.setLimit(10, TLimit{std::numeric_limits<double>::quiet_NaN(), 0});
        panel->askLimits = [&](const QList<std::pair<int, QString>> &columns,
                               const TLimits &) -> std::optional<TLimits> {
            asked = columns;
            return accept ? std::optional<TLimits>(chosen) : std::nullopt;
        };
        panel->limitsAction()->trigger();
        QCOMPARE(asked.size(), 12);
        QCOMPARE(asked.first(), (std::pair<int, QString>{5, QStringLiteral("Температура")}));
        QCOMPARE(asked.last(), (std::pair<int, QString>{16, QStringLiteral("Ст.гомогенизации")}));

        const QByteArray after = getFile(path(QStringLiteral("Tarvo.Ini")));
        if (!accept) {
            QCOMPARE(after, before);
            QVERIFY(!w->MainGrid->OnGetCellColor);
            return;
        }
        // Taken for the session in any case; the bar shows with the first limits.
        QCOMPARE(panel->limits(), chosen);
        QVERIFY(w->MainGrid->OnGetCellColor);
        QVERIFY(!panel->statsBar()->isHidden());
        if (refusingFile) {
            QCOMPARE(after, before);
            QCOMPARE(panel->notes().size(), 1);
            QVERIFY(panel->notes().first().startsWith(QStringLiteral("Нормы не записаны")));
            return;
        }
        // The replaced line is blanked and its note gone; a key of no column stays, noted.
        const QString text = QString::fromUtf8(after);
        for (const QString line : {"6=2.8;6", "7=", "10=;0", "40=1;2"})
            QVERIFY2(text.contains(line + QStringLiteral("\r\n")), qPrintable(text));
        QCOMPARE(panel->notes(), QStringList{Str::NoteNoColumn.arg(40)});
        auto next = window();
        QCOMPARE(next->qualityPanel->limits(), chosen);
    }

    // The second window: its menus keep their places and the dialog names the columns as
    // its "Columns" section does.
    void mirelWindow()
    {
        QVERIFY(putFile(path(QStringLiteral("Mirel2.Ini")),
                        QStringLiteral("[Columns]\r\n5=Жир\r\n31=Объём\r\n"
                                       "[Limits]\r\n5=2.8;6\r\n")
                            .toUtf8()));
        TForm3 w;
        QCOMPARE(menuTitles(w), (QStringList{QStringLiteral("Файл"), QStringLiteral("Показатели"),
                                             QStringLiteral("О программе"), Str::MenuService}));
        QCOMPARE(w.mnView->actions().size(), 27);
        QVERIFY(w.MainGrid->OnGetCellColor);
        QList<std::pair<int, QString>> asked;
        w.qualityPanel->askLimits = [&](const QList<std::pair<int, QString>> &columns,
                                        const TLimits &) -> std::optional<TLimits> {
            asked = columns;
            return std::nullopt;
        };
        w.qualityPanel->limitsAction()->trigger();
        QCOMPARE(asked.size(), 27);
        QCOMPARE(asked.first(), (std::pair<int, QString>{5, QStringLiteral("Жир")}));
        QCOMPARE(asked.last(), (std::pair<int, QString>{31, QStringLiteral("Объём")}));
    }
};

WINDOW_TEST_MAIN(TestWindowQuality)
#include "tst_windowquality.moc"
