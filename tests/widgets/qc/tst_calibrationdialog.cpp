// The calibration dialog with real widgets: the line, or why there is none, as reference
// values are typed, kept per column, and only a computed line accepted and handed on with its
// samples.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "qc/TCalibrationDialog.h"

namespace {

using Sample = TCalibrationDialog::Sample;

// Four samples; fat (value 1) as the instrument measured it, protein (value 2) blank in the
// last.
std::vector<Sample> samples()
{
    const double fat[] = {3.2, 3.6, 4.0, 4.4};
    std::vector<Sample> out;
    for (int i = 0; i < 4; ++i)
        out.push_back({QUuid::createUuid(),
                       QStringLiteral("Эталон %1").arg(i + 1),
                       {std::nullopt, fat[i], i < 3 ? std::optional(3.1) : std::nullopt}});
    return out;
}

const QList<std::pair<int, QString>> Columns{{1, QStringLiteral("Жир")},
                                             {2, QStringLiteral("Белок")}};

} // namespace

class TestCalibrationDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian)); }

    void typed_data()
    {
        QTest::addColumn<int>("column"); // index in the box
        QTest::addColumn<QStringList>("references");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("kept"); // samples handed on by "Принять", -1: it is closed
        QTest::newRow("exact line") << 0 << QStringList{"3,3", "3,7", "4,1", "4,5"}
                                    << "n = 4, наклон 1,0000, сдвиг 0,1000, r = 1,0000, "
                                       "СКО остатков 0,0000"
                                    << 4;
        QTest::newRow("blank references left out")
            << 0 << QStringList{"3,3", "", "4,1", "4.5"}
            << "n = 3, наклон 1,0000, сдвиг 0,1000, r = 1,0000, СКО остатков 0,0000" << 3;
        QTest::newRow("two samples") << 0 << QStringList{"3,3", "3,7"}
                                     << "Калибровка не рассчитана: нужно не меньше трёх проб" << -1;
        QTest::newRow("equal references")
            << 0 << QStringList{"3,5", "3,5", "3,5"}
            << "Калибровка не рассчитана: все значения эталона одинаковы" << -1;
        QTest::newRow("not a number") << 0 << QStringList{"3,3", "3,7", "4,1", "4,5%"}
                                      << "Эталон в строке 4: «4,5%» не число" << -1;
        // Protein: the instrument's values are equal; the sample without one is left out.
        QTest::newRow("instrument equal") << 1 << QStringList{"3,0", "3,1", "3,2", "3,3"}
                                          << "Калибровка не рассчитана: все значения прибора "
                                             "одинаковы"
                                          << -1;
    }
    void typed()
    {
        QFETCH(int, column);
        QFETCH(QStringList, references);
        QFETCH(QString, shown);
        QFETCH(int, kept);
        TCalibrationDialog dialog(Columns, samples(), {});
        std::vector<CalibrationSample> handed;
        int handedColumn = -1;
        dialog.keep = [&](int c, const Calibration &, const std::vector<CalibrationSample> &s,
                          QString *) {
            handedColumn = c;
            handed = s;
            return true;
        };
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.columnBox->setCurrentIndex(column);
        for (int r = 0; r < references.size(); ++r)
            dialog.table->item(r, 2)->setText(references[r]);
        QCOMPARE(dialog.fitLabel->text(), shown);
        // What was typed stays with its column while the other is looked at.
        dialog.columnBox->setCurrentIndex(1 - column);
        dialog.columnBox->setCurrentIndex(column);
        QCOMPARE(dialog.fitLabel->text(), shown);
        QCOMPARE(dialog.acceptButton->isEnabled(), kept >= 0);
        QTest::mouseClick(dialog.acceptButton, Qt::LeftButton);
        QCOMPARE(int(handed.size()), std::max(kept, 0));
        if (kept < 0)
            return;
        QCOMPARE(handedColumn, Columns[column].first);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(handed.front().label, QStringLiteral("Эталон 1"));
        QCOMPARE(handed.front().measured, 3.2);
        QCOMPARE(handed.front().reference, 3.3);
    }
};

QTEST_MAIN(TestCalibrationDialog)
#include "tst_calibrationdialog.moc"
