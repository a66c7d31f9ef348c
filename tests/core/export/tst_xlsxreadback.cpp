#include <QTest>

#include <algorithm>
#include <clocale>

#include <QProcess>
#include <QTemporaryDir>

#include "export/TXlsxExport.h"
#include "results/LocaleFormats.h"

namespace {

// Every cell as openpyxl reads it: reference, type, value, number format, solid fill; then
// the frozen pane and the autofilter's range.
const char *const Reader = R"(
import sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
sheet = book.active
for row in sheet.iter_rows():
    for c in row:
        if c.value is None:
            continue
        v = c.value.isoformat() if hasattr(c.value, 'isoformat') else repr(c.value)
        fill = c.fill.fgColor.rgb if c.fill.fill_type == 'solid' else ''
        print('\t'.join([c.coordinate, c.data_type, v, c.number_format, fill]))
print('freeze\t' + str(sheet.freeze_panes))
print('filter\t' + str(sheet.auto_filter.ref))
)";

QStringList readBack(const QString &path)
{
    QProcess python;
    // Debian's python3-openpyxl belongs to Debian's python, whatever else is on the path.
    const QString debian = QStringLiteral("/usr/bin/python3");
    python.start(QFile::exists(debian) ? debian : QStringLiteral("python3"),
                 {QStringLiteral("-c"), QString::fromUtf8(Reader), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {QString::fromUtf8(python.readAllStandardError())};
    return QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

class TestXlsxReadBack : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { std::setlocale(LC_ALL, "C.UTF-8"); }

    void everyCellReadsBack_data()
    {
        QTest::addColumn<QByteArray>("cLocale");
        QTest::addColumn<QLocale>("shown");
        QTest::newRow("ru_RU") << QByteArray("ru_RU.UTF-8") << QLocale(QLocale::Russian);
        QTest::newRow("en_US") << QByteArray("en_US.UTF-8")
                               << QLocale(QLocale::English, QLocale::UnitedStates);
    }

    void everyCellReadsBack()
    {
        QFETCH(QByteArray, cLocale);
        QFETCH(QLocale, shown);
        // The program runs in the operator's locale, numbers and all.
        if (!std::setlocale(LC_ALL, cLocale.constData()))
            QSKIP("locale not installed (scripts/install-deps.sh makes it)");
        const QDate day(2026, 12, 9);
        const QString date = FormatShortDate(day, shown);
        const QString time = FormatLongTime(QTime(13, 30, 15), shown);
        const QStringList rows[] = {
            {"1", "4607001234567", date, time, "2", FormatValue(5.19, shown),
             FormatValue(-0.53, shown)},
            {"2", QStringLiteral("до") + QChar(0) + QStringLiteral("после"), date, time, "1",
             FormatValue(1234.5, shown), "NAN"},
        };
        TExportTable t;
        t.titles = {"№", "Проба", "Дата", "Время", "№ гр.", "Жир", "Т.замерзания"};
        t.kinds = registrationKinds(7);
        t.locale = shown;
        t.rowCount = 2;
        t.cell = [&rows](int col, int row) { return rows[row][col]; };
        t.limitClass = [](int col, int row) {
            return col == 5 && row == 0 ? TLimitClass::Above : TLimitClass::Within;
        };
        QTemporaryDir dir;
        const QString path = dir.filePath("смена.xlsx");
        QString error;
        QVERIFY2(TXlsxExport::write(t, path, &error), qPrintable(error));

        QStringList expected;
        for (int c = 0; c < 7; ++c)
            expected << QChar('A' + c) + QStringLiteral("1\ts\t'%1'\tGeneral\t").arg(t.titles[c]);
        expected << "A2\tn\t1\t0\t"
                 << "B2\ts\t'4607001234567'\tGeneral\t"
                 << "C2\td\t2026-12-09T00:00:00\tmm-dd-yy\t"
                 << "D2\td\t13:30:15\th:mm:ss\t"
                 << "E2\tn\t2\t0\t"
                 << "F2\tn\t5.19\t0.00\tFFFFB862"
                 << "G2\tn\t-0.53\t0.00\t"
                 << "A3\tn\t2\t0\t"
                 << "B3\ts\t'допосле'\tGeneral\t"
                 << "C3\td\t2026-12-09T00:00:00\tmm-dd-yy\t"
                 << "D3\td\t13:30:15\th:mm:ss\t"
                 << "E3\tn\t1\t0\t"
                 << "F3\tn\t1234.5\t0.00\t"
                 << "G3\ts\t'NAN'\tGeneral\t"
                 << "freeze\tA2"
                 << "filter\tA1:G3";
        const QStringList actual = readBack(path);
        for (qsizetype i = 0; i < std::max(actual.size(), expected.size()); ++i)
            QCOMPARE(actual.value(i), expected.value(i));
    }
};

QTEST_GUILESS_MAIN(TestXlsxReadBack)
#include "tst_xlsxreadback.moc"
