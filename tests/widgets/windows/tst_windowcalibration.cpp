// Calibration in a registration window: only when its settings turn it on, and corrections
// only where a calibration is in force for the window's model and column; the results file
// carries the corrected value only with the operator's switch on.

#include <QAction>
#include <QPushButton>
#include <QTableWidget>

#include "ResultFeed.h"
#include "WindowTestSupport.h"
#include "archive/TArchive.h"
#include "qc/Calibration.h"
#include "qc/TCalibrationDialog.h"
#include "support/ArchiveSamples.h"
#include "table/TableShape.h"
#include "text/Strings.h"
#include "windows/TArchiveLink.h"
#include "windows/TCalibrationPart.h"

class TestWindowCalibration : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT
public:
    TestWindowCalibration()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private slots:
    void init() { Prepare(); }
    void cleanup() { Finish(); }

    void correctedCells_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("model"); // the calibration's, empty for none
        QTest::addColumn<bool>("menu");
        QTest::addColumn<QString>("held"); // the temperature cell, as the file gets it
        QTest::addColumn<QString>("drawn");
        QTest::addColumn<int>("kept");     // corrections in the archive
        QTest::addColumn<QString>("note"); // the line after an export's rows
        const QString on = QStringLiteral("[Calibration]\r\nEnabled=1\r\n");
        const QString tarvo = Str::ModelTarvo;
        QTest::newRow("no section") << "[Limits]\r\n6=2.8;6\r\n"
                                    << tarvo << false << "20,00"
                                    << "20,00" << 0 << "";
        QTest::newRow("turned off") << "[Calibration]\r\nEnabled=0\r\nToFile=1\r\n"
                                    << tarvo << false << "20,00"
                                    << "20,00" << 0 << "";
        QTest::newRow("none in force") << on << "" << true << "20,00"
                                       << "20,00" << 0 << "";
        QTest::newRow("other model's") << on << Str::ModelMirel << true << "20,00"
                                       << "20,00" << 0 << "";
        QTest::newRow("in force, switch off") << on << tarvo << true << "20,00"
                                              << "20,50*" << 1 << "";
        QTest::newRow("in force, switch on")
            << on + "ToFile=1\r\n"
            << tarvo << true << "20,50"
            << "20,50*" << 1 << "Исправлено по калибровке: Температура (1)";
    }
    void correctedCells()
    {
        QFETCH(QString, ini);
        QFETCH(QString, model);
        QFETCH(bool, menu);
        QFETCH(QString, held);
        QFETCH(QString, drawn);
        QFETCH(int, kept);
        QFETCH(QString, note);
        writeIni(ini);
        if (!model.isEmpty()) {
            TArchive archive;
            QVERIFY(archive.open(m_dir->path()));
            const double x[] = {19, 20, 21};
            const double y[] = {19.5, 20.5, 21.5};
            const Calibration c = Calibration::fit(x, y);
            QString error;
            std::vector<CalibrationSample> samples(3);
            QVERIFY(archive.acceptCalibration(model, 0, c, samples, QStringLiteral("op"),
                                              QDateTime::currentDateTime(), &error)
                    > 0);
        }
        auto w = window();
        w->setModelName(Str::ModelTarvo);
        w->ArchiveLink()->start(m_dir->path());
        QCOMPARE(w->findChild<QAction *>(QStringLiteral("actCalibration")) != nullptr, menu);
        QCOMPARE(w->calibration() != nullptr, menu);
        const int row = w->MainGrid->RowCount() - 1;
        feedResult(*w, 20);
        QCOMPARE(w->MainGrid->Cells(5, row), held);
        QString text = w->MainGrid->Cells(5, row);
        if (w->MainGrid->OnGetShownText)
            w->MainGrid->OnGetShownText(5, row, text);
        QCOMPARE(text, drawn);
        w->AskSaveFileName = [this](const QString &) { return path(QStringLiteral("saved.txt")); };
        w->actSaveAsExecute();
        // Values the calibration has no line for are left as they came.
        QCOMPARE(w->MainGrid->Cells(6, row), QStringLiteral("1,50"));
        if (w->calibration())
            QCOMPARE(w->calibration()->cellCorrection(6, row), nullptr);
        TExportTable exported;
        exported.rowCount = 1;
        exported.cell = [](int, int) { return QStringLiteral("x"); };
        if (w->ArchiveLink()->markCorrections)
            w->ArchiveLink()->markCorrections(exported);
        QCOMPARE(exported.rowCount, note.isEmpty() ? 1 : 2);
        if (!note.isEmpty())
            QCOMPARE(exported.cell(1, 1) + exported.cell(5, 1), note);
        // A table opened in its place shows its own values, unmarked.
        const QString opened = path(QStringLiteral("opened.txt"));
        QVERIFY(putFile(opened, getFile(path(QStringLiteral("saved.txt")))));
        w->AskOpenFileName = [opened](const QString &) { return opened; };
        w->actOpenFileExecute();
        if (w->calibration())
            QCOMPARE(w->calibration()->cellCorrection(5, row), nullptr);
        w->ArchiveLink()->archive().retry();
        w.reset();
        RawArchive raw(m_dir->filePath(TArchive::FileName));
        QCOMPARE(raw.value("SELECT count(*) FROM result_corrections").toInt(), kept);
        if (kept > 0) {
            QCOMPARE(raw.value("SELECT raw || ' ' || corrected FROM result_corrections").toString(),
                     QStringLiteral("20.0 20.5"));
            // The archived result keeps the instrument's value.
            QCOMPARE(raw.value("SELECT v0 FROM results").toDouble(), 20.0);
        }
    }

    // "Калибровка…" over the selected rows: the instrument's values of the chosen rows, the
    // accepted line kept and in force for the next result; the switch kept in the settings.
    void calibrateSelected_data()
    {
        QTest::addColumn<QList<int>>("selected"); // grid rows of the results 19, 20, 21, 23
        QTest::addColumn<QString>("next");        // a result of 20 as then drawn
        QTest::newRow("three rows") << QList<int>{1, 2, 3} << "20,50*";
        QTest::newRow("two rows refused") << QList<int>{1, 3} << "20,00";
    }
    void calibrateSelected()
    {
        QFETCH(QList<int>, selected);
        QFETCH(QString, next);
        writeIni(QStringLiteral("[Calibration]\r\nEnabled=1\r\n"));
        auto w = window();
        w->setModelName(Str::ModelTarvo);
        w->ArchiveLink()->start(m_dir->path());
        for (double t : {19.0, 20.0, 21.0, 23.0})
            feedResult(*w, t);
        for (int row : selected)
            w->MainGrid->selectionModel()
                ->select(w->MainGrid->model()->index(TableShape::storeRow(row), 5),
                         QItemSelectionModel::Select);
        int offered = 0;
        w->calibration()->runDialog = [&](TCalibrationDialog &dialog) {
            offered = dialog.table->rowCount();
            for (int r = 0; r < offered; ++r) {
                const double x = dialog.table->item(r, 1)->text().replace(u',', u'.').toDouble();
                dialog.table->item(r, 2)->setText(QString::number(x + 0.5));
            }
            dialog.acceptButton->click();
        };
        w->calibration()->calibrateAction->trigger();
        QCOMPARE(offered, int(selected.size()));
        const int row = w->MainGrid->RowCount() - 1;
        feedResult(*w, 20);
        QString text = w->MainGrid->Cells(5, row);
        w->MainGrid->OnGetShownText(5, row, text);
        QCOMPARE(text, next);
        w->calibration()->toFileAction->trigger();
        QVERIFY(w->close());
        w.reset();
        QVERIFY(getFile(path(QStringLiteral("Tarvo.Ini"))).contains("ToFile=1"));
        RawArchive raw(m_dir->filePath(TArchive::FileName));
        QCOMPARE(raw.value("SELECT count(*) FROM calibration_samples s JOIN records r "
                           "ON r.uid = s.result_uid")
                     .toInt(),
                 next.endsWith(u'*') ? 3 : 0);
    }
};

WINDOW_TEST_MAIN(TestWindowCalibration)
#include "tst_windowcalibration.moc"
