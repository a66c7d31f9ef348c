#include <QTest>

#include <QProcess>

#include "export/TCsvExport.h"
#include "table/TStringGridModel.h"

namespace {

const QLocale Ru(QLocale::Russian, QLocale::Russia);
const QByteArray Bom("\xEF\xBB\xBF");

// Two columns, a label and a value, one row.
TExportTable oneRow(const QString &label, const QString &value, const QLocale &locale)
{
    TExportTable t;
    t.titles = {QStringLiteral("Проба"), QStringLiteral("Жир")};
    t.kinds = {TCellKind::Text, TCellKind::Number};
    t.rowCount = 1;
    t.locale = locale;
    t.cell = [label, value](int col, int) { return col == 0 ? label : value; };
    return t;
}

} // namespace

class TestCsvExport : public QObject
{
    Q_OBJECT
private slots:
    void fields_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("plain") << "Проба 1"
                               << "3,45" << Ru << QByteArray("Проба 1;3,45");
        QTest::newRow("negative value stays a number") << ""
                                                       << "-0,52" << Ru << QByteArray(";-0,52");
        QTest::newRow("value from a point locale gets the comma")
            << "a"
            << "1027.5" << Ru << QByteArray("a;1027,5");
        QTest::newRow("comma value in a point locale")
            << "a"
            << "3,45" << QLocale::c() << QByteArray("a;3.45");
        QTest::newRow("scientific value") << "a"
                                          << "1,23456789E10" << Ru << QByteArray("a;1,23456789E10");
        QTest::newRow("formula label") << "=1+2"
                                       << "" << Ru << QByteArray("\"'=1+2\";");
        QTest::newRow("plus label") << "+7 900"
                                    << "" << Ru << QByteArray("\"'+7 900\";");
        QTest::newRow("minus label that reads as a number") << "-5"
                                                            << "" << Ru << QByteArray("\"'-5\";");
        QTest::newRow("at label") << "@SUM(A1)"
                                  << "" << Ru << QByteArray("\"'@SUM(A1)\";");
        QTest::newRow("formula in a value column")
            << "a"
            << "=HYPERLINK(\"x\")" << Ru << QByteArray("a;\"'=HYPERLINK(\"\"x\"\")\"");
        QTest::newRow("semicolon") << "a;b"
                                   << "1" << Ru << QByteArray("\"a;b\";1");
        QTest::newRow("quotes") << "ООО \"Луг\""
                                << "1" << Ru << QByteArray("\"ООО \"\"Луг\"\"\";1");
        QTest::newRow("not a number stays text") << "a"
                                                 << "NAN" << Ru << QByteArray("a;NAN");
        QTest::newRow("grouped number is text") << "a"
                                                << "1 027,5" << Ru << QByteArray("a;1 027,5");
        QTest::newRow("barcode label kept as typed")
            << "4607001234567"
            << "1" << Ru << QByteArray("=\"4607001234567\";1");
        QTest::newRow("leading zeros kept") << "007"
                                            << "" << Ru << QByteArray("=\"007\";");
        QTest::newRow("label a spreadsheet takes for a day")
            << "09.12"
            << "" << Ru << QByteArray("=\"09.12\";");
        QTest::newRow("digits and a word stay plain") << "12 ферма"
                                                      << "" << Ru << QByteArray("12 ферма;");
    }
    void fields()
    {
        QFETCH(QString, label);
        QFETCH(QString, value);
        QFETCH(QLocale, locale);
        QFETCH(QByteArray, line);
        const QByteArray bytes = TCsvExport::bytes(oneRow(label, value, locale));
        QCOMPARE(bytes, Bom + QByteArray("Проба;Жир\r\n") + line + "\r\n");
    }

    // The registration table: hidden columns stay out, the empty open row too, the number
    // and the group are numbers, the dates and times go as shown.
    void registrationTable()
    {
        TStringGridModel model(7);
        const QStringList titles = {"№", "Проба", "Дата", "Время", "№ гр.", "Жир", "Белок"};
        for (int c = 0; c < 7; ++c)
            model.SetTitle(c, titles[c]);
        model.SetDataRowCount(3);
        const QStringList rows[] = {{"1", "утро; ферма 2", "31.05.2024", "07:05:00", "1", "3,6",
                                     "3,1"},
                                    {"2", "", "31.05.2024", "07:07:00", "2", "4,0", ""},
                                    {"3", "", "", "", "", "", ""}};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 7; ++c)
                model.SetCell(c, r, rows[r][c]);
        }
        TExportTable t = ExportTableOf(model, {30, 80, 60, 60, 30, 0, 50});
        t.locale = Ru;
        QCOMPARE(t.rowCount, 2);
        QCOMPARE(TCsvExport::bytes(t), Bom
                                           + "№;Проба;Дата;Время;№ гр.;Белок\r\n"
                                             "1;\"утро; ферма 2\";31.05.2024;07:05:00;1;3,1\r\n"
                                             "2;;31.05.2024;07:07:00;2;\r\n");

        // A label typed ahead into the open row goes out with it.
        model.SetCell(1, 2, QStringLiteral("вечер"));
        QCOMPARE(ExportTableOf(model).rowCount, 3);
    }

    // What a real reader makes of the fields: the code as typed, the formula disarmed.
    void pythonReadsFields()
    {
        const QStringList labels = {"4607001234567", "007", "a;b", "ООО \"Луг\"", "=1+2"};
        TExportTable t = oneRow({}, "1", Ru);
        t.rowCount = int(labels.size());
        t.cell = [&labels](int col, int row) { return col == 0 ? labels[row] : QString("1"); };
        QTemporaryDir dir;
        const QString path = dir.filePath("a.csv");
        QString error;
        QVERIFY2(TCsvExport::write(t, path, &error), qPrintable(error));
        QProcess python;
        python.start("python3", {"-c",
                                 "import csv, sys\n"
                                 "for row in csv.reader(open(sys.argv[1], encoding='utf-8-sig', "
                                 "newline=''), delimiter=';'):\n"
                                 "    print(row[0])\n",
                                 path});
        QVERIFY(python.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
                 QStringList(
                     {"Проба", "=\"4607001234567\"", "=\"007\"", "a;b", "ООО \"Луг\"", "'=1+2"}));
    }

    void fileMatchesBytes()
    {
        QTemporaryDir dir;
        const TExportTable t = oneRow("=x", "1,5", Ru);
        const QString path = dir.filePath("a.csv");
        QString error;
        QVERIFY2(TCsvExport::write(t, path, &error), qPrintable(error));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), TCsvExport::bytes(t));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.csv"});
    }
};

QTEST_GUILESS_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
