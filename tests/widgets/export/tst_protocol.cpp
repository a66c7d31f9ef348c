// The report as a test protocol: what its header and footer say, read back from the PDF.

#include <QTest>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include "archive/OsUserFullName.h"
#include "export/ProtocolTable.h"
#include "export/TPdfExport.h"
#include "quality/TLimits.h"
#include "settings/TIniPlus.h"
#include "table/TRowStore.h"
#include "table/TStringGridModel.h"
#include "table/TableShape.h"
#include "text/Cp1251.h"
#include "text/Strings.h"

namespace {

const QLocale Russian(QLocale::Russian, QLocale::Russia);
const QString DemoLimits = QStringLiteral(
    "[Limits]\n6=2.8;6.0\n7=8.2;\n8=1027;1030\n9=2.8;3.6\n10=;0\n15=;-0.520\n");

// A Tarvo table: the first row's fat above its limit, the second row's solids below.
void fill(TStringGridModel &model, const QStringList &times)
{
    TRowStore rows(17);
    for (int r = 0; r < times.size(); ++r) {
        rows.AppendLine(Cp1251::encode(
            QStringLiteral("%1\tПроба %1\t31.05.2024\t%2\t1\t20,10\t%3\t%4\t1028,00\t3,20\t0,00"
                           "\t1,00\t4,70\t0,72\t1,00\t-0,53\t95,00")
                .arg(r + 1)
                .arg(times[r], r == 0 && times.size() > 1 ? "6,50" : "3,50",
                     r == 1 ? "7,90" : "8,50")));
    }
    rows.AppendRow(); // the open row
    model.SetRows(rows);
    for (int c = 0; c < 17; ++c)
        model.SetTitle(c, Str::TarvoTitles.value(c));
}

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT
private slots:
    void protocol_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QStringList>("times");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        const QString system = osUserFullName();
        QStringList many;
        for (int r = 0; r < 150; ++r)
            many << QTime(6, 0).addSecs(r * 120).toString(QStringLiteral("HH:mm:ss"));

        QTest::newRow("laboratory, instrument, operator and limits")
            << QStringLiteral("[Report]\nLaboratory=Лаборатория молокозавода «Заря»\n"
                              "Instrument=Анализатор молока, зав. № 1234\n"
                              "Operator=Петрова А. А.\n")
                   + DemoLimits
            << QStringList{"08:00:00", "09:30:00", "07:05:00"}
            << QStringList{"Лаборатория: Лаборатория молокозавода «Заря»",
                           "Анализатор: Анализатор молока, зав. № 1234",
                           "Модель: Тарво-2(2M), № прибора: 3",
                           "Оператор: Петрова А. А.",
                           "Период: 31.05.2024 07:05:00 — 31.05.2024 09:30:00",
                           "Нормы: Жир 2,80…6,00",
                           "СОМО не ниже 8,20",
                           "Плотность 1027,00…1030,00",
                           "Т.замерзания не выше -0,52",
                           "Вне нормы",
                           "Подпись: ____________________ Петрова А. А."}
            << QStringList{};
        QTest::newRow("no Report section: the system's user signs")
            << QStringLiteral("[Config]\nCOM=/dev/ttyS0\n") << QStringList{"07:05:00"}
            << QStringList{"Модель: Тарво-2(2M), № прибора: 3", "Оператор: " + system,
                           "Период: 31.05.2024 07:05:00 — 31.05.2024 07:05:00", "Среднее",
                           "Подпись: ____________________ " + system}
            << QStringList{"Лаборатория:", "Анализатор:", "Нормы:", "Вне нормы"};
        QTest::newRow("blank keys are not given")
            << QStringLiteral("[Report]\nLaboratory=\nOperator=  \n") << QStringList{"07:05:00"}
            << QStringList{"Оператор: " + system} << QStringList{"Лаборатория:"};
        QTest::newRow("several pages") << QString() << many
                                       << QStringList{"Период: 31.05.2024 06:00:00 — "
                                                      "31.05.2024 10:58:00"}
                                       << QStringList{};
    }
    void protocol()
    {
        QFETCH(QString, settings);
        QFETCH(QStringList, times);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        QTemporaryDir dir;
        const QString iniPath = dir.filePath("Tarvo.Ini");
        QFile ini(iniPath);
        QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write(settings.toUtf8()) >= 0);
        ini.close();

        TStringGridModel model(17);
        fill(model, times);
        TExportTable table = ExportTableOf(model);
        table.locale = Russian;
        table.name = QStringLiteral("Смена.txt");
        const TIniPlus file(iniPath);
        const TLimits limits = TLimits::read(file, TableShape::FirstValueCol, 16);
        table = ProtocolTable::withProtocol(table, file, limits, model.Rows(),
                                            {QStringLiteral("Тарво-2(2M)"), QStringLiteral("3"),
                                             QDateTime(QDate(2026, 12, 9), QTime(10, 15))});

        const QString pdf = dir.filePath("protocol.pdf");
        QString error;
        int pages = 0;
        QVERIFY2(TPdfExport::write(table, pdf, QFont(QStringLiteral("DejaVu Sans"), 9), &error,
                                   &pages),
                 qPrintable(error));
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        p.waitForFinished(60000);
        QStringList text = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
        text.removeLast();
        QCOMPARE(text.size(), pages);
        const QString all = text.join(QLatin1Char('\n'));
        for (const QString &s : present)
            QVERIFY2(all.contains(s), qPrintable(s + QStringLiteral(" is missing in:\n") + all));
        for (const QString &s : absent)
            QVERIFY2(!all.contains(s), qPrintable(s));
        // The header on the first page, the signature once at the end, the date on every foot.
        for (int p = 0; p < pages; ++p) {
            QCOMPARE(text[p].contains(QStringLiteral("Протокол испытаний")), p == 0);
            QCOMPARE(text[p].contains(QStringLiteral("Оператор:")), p == 0);
            QCOMPARE(text[p].contains(QStringLiteral("Подпись:")), p == pages - 1);
            QVERIFY(text[p].contains(QStringLiteral("Напечатано: 09.12.2026 10:15")));
        }
        QCOMPARE(pages > 1, times.size() > 100);

        // Out-of-norm values on the screen's colours; the first case is the README's picture.
        if (limits.isEmpty())
            return;
        QProcess::execute(QStringLiteral("pdftoppm"),
                          {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-f"),
                           QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                           QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf,
                           dir.filePath("page")});
        const QImage image(dir.filePath("page.png"));
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                colours.insert(image.pixel(x, y));
        }
        QVERIFY(colours.contains(0xFFFFB862u) && colours.contains(0xFF9CC3F0u));
        const QString docs = qEnvironmentVariable("E2E_DOCS");
        if (!docs.isEmpty())
            QVERIFY(image.save(QDir(docs).filePath(QStringLiteral("protocol.png"))));
    }
};

QTEST_MAIN(TestProtocol)
#include "tst_protocol.moc"
