// Milk reception in a registration window: nothing of it without its settings; with them a
// quantity column beside the table (never in its file), labels read as supplier codes, and a
// delivery kept in the archive for a row with a known supplier, a quantity and a result, a
// second one in a shift only when the operator confirms it.

#include <QAction>
#include <QDateEdit>
#include <QSqlQuery>

#include "ResultFeed.h"
#include "WindowTestSupport.h"
#include "archive/TArchive.h"
#include "controls/TElidedLabel.h"
#include "reception/ReceptionStore.h"
#include "reception/TReceptionReportDialog.h"
#include "reception/TSupplierRegisterDialog.h"
#include "support/ArchiveSamples.h"
#include "table/TStringGridModel.h"
#include "table/TableShape.h"
#include "windows/TArchiveLink.h"
#include "windows/TReceptionPart.h"

class TestWindowReception : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT
public:
    TestWindowReception()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private slots:
    void init() { Prepare(); }
    void cleanup() { Finish(); }

    void deliveries_data()
    {
        QTest::addColumn<QString>("ini");
        // Each row: label, quantity, and whether it is typed before the result comes.
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QStringList>("quantities");
        QTest::addColumn<bool>("typedFirst");
        QTest::addColumn<bool>("confirm"); // the answer to a second delivery in the shift
        QTest::addColumn<int>("asked");
        QTest::addColumn<QString>("kept"); // code:kilograms:credited of each kept delivery
        QTest::addColumn<QString>("status");
        const QString on = QStringLiteral("[Reception]\r\nEnabled=1\r\n");
        QTest::newRow("kg, typed after") << on << QStringList{"7"} << QStringList{"100"} << false
                                         << false << 0 << "7:100.00:100.00"
                                         << "Приёмка";
        QTest::newRow("kg, typed first") << on << QStringList{" 7 "} << QStringList{"50,5"} << true
                                         << false << 0 << "7:50.50:50.50"
                                         << "Приёмка";
        // 200 l of milk of density 1028,00 kg/m³ at fat 3,40 %.
        QTest::newRow("litres by density")
            << on + "Unit=l\r\n"
            << QStringList{"7"} << QStringList{"200"} << false << false << 0 << "7:205.60:205.60"
            << "Приёмка";
        QTest::newRow("credited by protein")
            << on + "Credit=protein\r\nBaseProtein=2,5\r\n"
            << QStringList{"7"} << QStringList{"100"} << false << false << 0 << "7:100.00:120.00"
            << "Приёмка";
        QTest::newRow("unknown code")
            << on << QStringList{"19"} << QStringList{"100"} << false << false << 0 << ""
            << "Приёмка: поставщика с кодом «19» нет в реестре";
        QTest::newRow("quantity no number")
            << on << QStringList{"7"} << QStringList{"сто"} << false << false << 0 << ""
            << "Приёмка: количество «сто» — не число больше нуля";
        QTest::newRow("second refused") << on << QStringList{"7", "7"} << QStringList{"100", "30"}
                                        << false << false << 1 << "7:100.00:100.00"
                                        << "Приёмка: вторая сдача поставщика 7 в смене не записана";
        QTest::newRow("second confirmed") << on << QStringList{"7", "7"} << QStringList{"100", "30"}
                                          << false << true << 1 << "7:100.00:100.00 7:30.00:30.00"
                                          << "Приёмка";
        QTest::newRow("two suppliers") << on << QStringList{"7", "8"} << QStringList{"100", "30"}
                                       << false << false << 0 << "7:100.00:100.00 8:30.00:30.00"
                                       << "Приёмка";
    }
    void deliveries()
    {
        QFETCH(QString, ini);
        QFETCH(QStringList, labels);
        QFETCH(QStringList, quantities);
        QFETCH(bool, typedFirst);
        QFETCH(bool, confirm);
        QFETCH(int, asked);
        QFETCH(QString, kept);
        QFETCH(QString, status);
        writeIni(ini);
        {
            TArchive archive;
            QVERIFY(archive.open(m_dir->path()));
            for (const char *code : {"7", "8"}) {
                Supplier s;
                s.code = QString::fromLatin1(code);
                s.name = QStringLiteral("Хозяйство ") + s.code;
                QSqlError error;
                QVERIFY(ReceptionStore::addSupplier(archive.sideTables(), s, QStringLiteral("op"),
                                                    QDateTime::currentDateTime(), &error)
                        > 0);
            }
        }
        auto w = archivedWindow(Str::ModelTarvo);
        TReceptionPart *part = w->reception();
        QVERIFY(part);
        int questions = 0;
        part->AskSecond = [&](const QString &) {
            ++questions;
            return confirm;
        };
        const int col = part->quantityCol();
        QCOMPARE(w->MainGrid->Cells(col, 0).left(10), QStringLiteral("Количество"));
        for (qsizetype i = 0; i < labels.size(); ++i) {
            const int row = w->MainGrid->RowCount() - 1;
            if (typedFirst) {
                w->MainGrid->editCell(TableShape::LabelCol, row, labels[i]);
                w->MainGrid->editCell(col, row, quantities[i]);
            }
            // fat 3,40, SNF 8,50, density 1028,00, protein 3,00
            feedValues(*w, {20, 3.4, 8.5, 1028, 3.0});
            if (!typedFirst) {
                w->MainGrid->editCell(TableShape::LabelCol, row, labels[i]);
                w->MainGrid->editCell(col, row, quantities[i]);
            }
            QCOMPARE(part->quantity(row), quantities[i].trimmed());
        }
        QCOMPARE(questions, asked);
        QCOMPARE(part->label()->text(), status);
        // The quantity is not the results file's: its rows keep their columns.
        w->AskSaveFileName = [this](const QString &) { return path(QStringLiteral("out.txt")); };
        w->actSaveAsExecute();
        const QList<QByteArray> lines = getFile(path(QStringLiteral("out.txt"))).split('\n');
        // (the file's rows hold no number column)
        QCOMPARE(lines.value(1).count('\t'), w->MainGrid->ColCount() - 2);
        QVERIFY(!lines.value(1).contains(quantities[0].trimmed().toUtf8() + "\r"));
        // A copy of the whole table takes the table's own columns only.
        w->MainGrid->selectAll();
        QVERIFY(!w->MainGrid->selectionText().contains(u"Количество"));
        w->ArchiveLink()->archive().retry();
        w.reset();
        RawArchive raw(m_dir->filePath(TArchive::FileName));
        QStringList got;
        QSqlQuery q(raw.db());
        q.exec("SELECT supplier_code || ':' || kilograms || ':' || credited "
               "FROM deliveries d JOIN records r ON r.uid = d.result_uid "
               "ORDER BY d.id");
        while (q.next())
            got << q.value(0).toString();
        QCOMPARE(got.join(u' '), kept);
    }

    // The register and the reports from the menu: a supplier added there is one the next
    // label names, and the day's report sums its delivery.
    void fromMenu()
    {
        writeIni(QStringLiteral("[Reception]\r\nEnabled=1\r\n"));
        auto w = archivedWindow(Str::ModelTarvo);
        TReceptionPart *part = w->reception();
        QString saved;
        part->RunDialog = [&](QDialog &dialog) {
            auto *suppliers = qobject_cast<TSupplierRegisterDialog *>(&dialog);
            QVERIFY(suppliers);
            Supplier s;
            s.code = QStringLiteral("12");
            s.name = QStringLiteral("Петров");
            saved = suppliers->save(s);
        };
        part->registerAction->trigger();
        QCOMPARE(saved, QString());
        const int row = w->MainGrid->RowCount() - 1;
        feedValues(*w, {20, 3.4, 8.5, 1028, 3.0});
        w->MainGrid->editCell(TableShape::LabelCol, row, QStringLiteral("12"));
        w->MainGrid->editCell(part->quantityCol(), row, QStringLiteral("40"));
        QVERIFY(part->kept(row));
        QString total;
        part->RunDialog = [&](QDialog &dialog) {
            auto *reports = qobject_cast<TReceptionReportDialog *>(&dialog);
            QVERIFY(reports);
            reports->dayEdit()->setDate(m_clock.now.date());
            TExportTable table;
            QString error;
            QVERIFY2(reports->report(&table, &error), qPrintable(error));
            for (int r = 0; r < table.rowCount; ++r)
                total += table.cell(0, r) + u'|' + table.cell(1, r) + u' ';
        };
        part->reportsAction->trigger();
        QVERIFY2(total.startsWith(u"12|Петров"), qPrintable(total));
    }

    // Without the section, or turned off, the window has no quantity column and no menu.
    void off_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::newRow("no section") << "[Limits]\r\n6=2.8;6\r\n";
        QTest::newRow("turned off") << "[Reception]\r\nEnabled=0\r\nUnit=l\r\n";
    }
    void off()
    {
        QFETCH(QString, ini);
        writeIni(ini);
        auto w = window();
        QCOMPARE(w->reception(), nullptr);
        QCOMPARE(w->MainGrid->model()->columnCount(), w->MainGrid->ColCount());
        QCOMPARE(w->findChild<QAction *>(QStringLiteral("actReceptionReports")), nullptr);
    }
};

WINDOW_TEST_MAIN(TestWindowReception)
#include "tst_windowreception.moc"
