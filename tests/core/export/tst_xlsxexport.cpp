#include <QTest>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "export/TXlsxExport.h"

namespace {

const QLocale Ru(QLocale::Russian, QLocale::Russia);

// One part of the workbook, read back with unzip.
QByteArray part(const QString &xlsx, const QString &name)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), xlsx, name});
    if (!unzip.waitForFinished(30000) || unzip.exitCode() != 0)
        return {};
    return unzip.readAllStandardOutput();
}

struct TCell
{
    QString type;  // the t attribute: empty for numbers
    int style = 0; // index into cellXfs
    QString value; // <v> or the inline string's <t>
    bool formula = false;
};

QHash<QString, TCell> cellsOf(const QByteArray &sheet)
{
    QHash<QString, TCell> cells;
    QXmlStreamReader xml(sheet);
    QString ref;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"c") {
            ref = xml.attributes().value("r").toString();
            cells[ref].type = xml.attributes().value("t").toString();
            cells[ref].style = xml.attributes().value("s").toInt();
        } else if (xml.name() == u"v" || xml.name() == u"t") {
            cells[ref].value = xml.readElementText();
        } else if (xml.name() == u"f") {
            cells[ref].formula = true;
        }
    }
    return cells;
}

// For each cell style: its number format (the code of an own format, the number of a
// built-in one) and its fill's colour ("" without one).
struct TStyle
{
    QString numFmt;
    QString fill;
};

QList<TStyle> stylesOf(const QByteArray &styles)
{
    QStringList fills;
    QHash<QString, QString> codes;
    QList<TStyle> out;
    QXmlStreamReader xml(styles);
    bool inXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"cellXfs")
            inXfs = false;
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"numFmt")
            codes[xml.attributes().value("numFmtId").toString()]
                = xml.attributes().value("formatCode").toString();
        else if (xml.name() == u"fill")
            fills << QString();
        else if (xml.name() == u"fgColor" && !fills.isEmpty())
            fills.back() = xml.attributes().value("rgb").toString();
        else if (xml.name() == u"cellXfs")
            inXfs = true;
        else if (inXfs && xml.name() == u"xf") {
            const QString id = xml.attributes().value("numFmtId").toString();
            out.push_back(
                {codes.value(id, id), fills.value(xml.attributes().value("fillId").toInt())});
        }
    }
    return out;
}

} // namespace

class TestXlsxExport : public QObject
{
    Q_OBJECT
private slots:
    void cellsReadBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("результаты.xlsx");
        TExportTable t;
        t.titles = {"№", "Проба", "Дата", "Время", "№ гр.", "Скрыт", "Жир", "Т.замерзания"};
        t.kinds = registrationKinds(8);
        t.visible = {true, true, true, true, true, false, true, true};
        t.locale = Ru;
        const QStringList rows[] = {{"1", "=1+2", "31.05.2024", "13:30:15", "2", "x", "3,45",
                                     "-0,52"},
                                    {"2", "007", "30.05.2024", "07:00:00", "1", "x",
                                     "1,23456789E10", "NAN"},
                                    {"3", "-5", "не дата", "", "", "x", "2.8", "Проба"}};
        t.rowCount = 3;
        t.cell = [&rows](int col, int row) { return rows[row][col]; };
        t.limitClass = [](int col, int row) {
            if (row == 0 && col == 6)
                return TLimitClass::Above;
            return row == 2 && col == 6 ? TLimitClass::Below : TLimitClass::Within;
        };
        QString error;
        QVERIFY2(TXlsxExport::write(t, path, &error), qPrintable(error));
        const QByteArray sheet = part(path, "xl/worksheets/sheet1.xml");
        QVERIFY(!sheet.isEmpty());
        const QHash<QString, TCell> cells = cellsOf(sheet);
        const QList<TStyle> styles = stylesOf(part(path, "xl/styles.xml"));

        // The header: the visible titles, as text; the hidden column is gone.
        QCOMPARE(cells["B1"].value, QString("Проба"));
        QCOMPARE(cells["F1"].value, QString("Жир"));
        QCOMPARE(cells["G1"].value, QString("Т.замерзания"));
        QVERIFY(!cells.contains("H1"));
        // Labels are strings, whatever they look like; nothing anywhere is a formula.
        for (const char *ref : {"B2", "B3", "B4"})
            QCOMPARE(cells[ref].type, QString("inlineStr"));
        QCOMPARE(cells["B2"].value, QString("=1+2"));
        QCOMPARE(cells["B3"].value, QString("007"));
        QVERIFY(!sheet.contains("<f>"));
        // Numbers are numbers with the decimals shown; text in a value column stays text.
        QCOMPARE(cells["F2"].type, QString());
        QCOMPARE(cells["F2"].value.toDouble(), 3.45);
        QCOMPARE(cells["G2"].value.toDouble(), -0.52);
        QCOMPARE(cells["F3"].value.toDouble(), 1.23456789e10);
        QCOMPARE(cells["F4"].value.toDouble(), 2.8);
        QCOMPARE(cells["A2"].value, QString("1"));
        QCOMPARE(cells["E2"].value, QString("2"));
        QCOMPARE(cells["G3"].type, QString("inlineStr"));
        QCOMPARE(cells["G4"].type, QString("inlineStr"));
        QCOMPARE(styles.value(cells["F2"].style).numFmt, QString("0.00"));
        QCOMPARE(styles.value(cells["F4"].style).numFmt, QString("0.0"));
        QCOMPARE(styles.value(cells["A2"].style).numFmt, QString("0"));
        // Dates and times are date cells: serial numbers in date and time formats.
        const int may31 = QDate(1899, 12, 30).daysTo(QDate(2024, 5, 31));
        QCOMPARE(cells["C2"].value.toInt(), may31);
        QCOMPARE(styles.value(cells["C2"].style).numFmt, QString("14"));
        QCOMPARE(cells["D2"].value.toDouble(), (13 * 3600 + 30 * 60 + 15) / 86400.0);
        QCOMPARE(styles.value(cells["D2"].style).numFmt, QString("21"));
        QCOMPARE(cells["C4"].type, QString("inlineStr"));
        QVERIFY(!cells.contains("D4"));
        // Outside the limits: orange above, blue below; within: no fill.
        QCOMPARE(styles.value(cells["F2"].style).fill, QString("FFFFB862"));
        QCOMPARE(styles.value(cells["F4"].style).fill, QString("FF9CC3F0"));
        QCOMPARE(styles.value(cells["G2"].style).fill, QString());

        // The header row is frozen; the widths follow the content.
        QVERIFY(sheet.contains("<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" "
                               "state=\"frozen\"/>"));
        QXmlStreamReader xml(sheet);
        QList<double> widths;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"col")
                widths << xml.attributes().value("width").toDouble();
        }
        QCOMPARE(widths.size(), 7);
        QVERIFY(widths[2] > widths[0]); // "30.05.2024" is wider than "1"
        QVERIFY(widths[5] >= 15);       // "1,23456789E10"
        QVERIFY(widths[6] >= 14);       // the title "Т.замерзания" is one word
    }

    void tooManyRowsWritesNothing()
    {
        QTemporaryDir dir;
        TExportTable t;
        t.titles = {"a"};
        t.rowCount = TXlsxExport::MaxRows;
        t.cell = [](int, int) { return QString("1"); };
        QString error;
        QVERIFY(!TXlsxExport::write(t, dir.filePath("a.xlsx"), &error));
        QVERIFY(error.contains("Excel"));
        QVERIFY(QDir(dir.path()).isEmpty(QDir::Files | QDir::Hidden));
    }
};

QTEST_GUILESS_MAIN(TestXlsxExport)
#include "tst_xlsxexport.moc"
