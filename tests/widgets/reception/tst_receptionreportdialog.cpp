#include <QTest>

#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QTemporaryDir>

#include "reception/TReceptionReportDialog.h"
#include "text/ReceptionStrings.h"

namespace {

Delivery delivery(const QString &code, const QString &at, const QString &kg, const QString &amount)
{
    Delivery d;
    d.supplierCode = code;
    d.supplierName = code == QLatin1String("001") ? QStringLiteral("Иванов")
                                                  : QStringLiteral("Петров");
    d.at = QDateTime::fromString(at, Qt::ISODate);
    d.kilograms = Decimal::parse(kg);
    d.credited = d.kilograms;
    d.fat = Decimal::parse(QStringLiteral("3,60"));
    if (!amount.isEmpty())
        d.amount = Decimal::parse(amount);
    return d;
}

} // namespace

class TestReceptionReportDialog : public QObject
{
    Q_OBJECT

private slots:
    // What the dialog asks the archive for, and the file it writes of the answer.
    void save_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("shift");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("asked"); // from, to and code, or the error

        QTest::newRow("day, xlsx") << 0 << 0 << "2026-12-09"
                                   << ""
                                   << "xlsx"
                                   << "2026-12-09T00:00:00 2026-12-10T00:00:00 ";
        QTest::newRow("evening from 14, pdf") << 0 << 2 << "2026-12-09"
                                              << ""
                                              << "pdf"
                                              << "2026-12-09T14:00:00 2026-12-10T00:00:00 ";
        QTest::newRow("morning, xlsx") << 0 << 1 << "2026-12-09"
                                       << ""
                                       << "xlsx"
                                       << "2026-12-09T00:00:00 2026-12-09T14:00:00 ";
        QTest::newRow("statement, pdf") << 1 << 0 << "2026-12-01"
                                        << "2026-12-09"
                                        << "pdf"
                                        << "2026-12-01T00:00:00 2026-12-10T00:00:00 001";
        QTest::newRow("statement, xlsx") << 1 << 0 << "2026-12-09"
                                         << "2026-12-09"
                                         << "xlsx"
                                         << "2026-12-09T00:00:00 2026-12-10T00:00:00 001";
        QTest::newRow("period backwards") << 1 << 0 << "2026-12-09"
                                          << "2026-12-08"
                                          << "xlsx" << ReceptionStrings::PeriodWrong;
    }

    void save()
    {
        QFETCH(int, mode);
        QFETCH(int, shift);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, suffix);
        QFETCH(QString, asked);

        const QList<Delivery> held{delivery("001", "2026-12-09T07:10:00", "100,00", "3000,00"),
                                   delivery("002", "2026-12-09T07:20:00", "50,50", ""),
                                   delivery("001", "2026-12-09T18:00:00", "80,00", "2400,00")};
        QString question;
        TReceptionReportDialog dialog(
            [&](QDateTime a, QDateTime b, QString code, QString *) {
                question = a.toString(Qt::ISODate) + u' ' + b.toString(Qt::ISODate) + u' ' + code;
                QList<Delivery> out;
                for (const Delivery &d : held) {
                    if (d.at >= a && d.at < b && (code.isEmpty() || d.supplierCode == code))
                        out << d;
                }
                return out;
            },
            14);
        dialog.setLocale(QLocale(QLocale::Russian, QLocale::Russia));
        dialog.setSuppliers({{"001", "Иванов"}, {"002", "Петров"}});
        dialog.modeBox()->setCurrentIndex(mode);
        dialog.shiftBox()->setCurrentIndex(shift);
        dialog.dayEdit()->setDate(QDate::fromString(from, Qt::ISODate));
        dialog.fromEdit()->setDate(QDate::fromString(from, Qt::ISODate));
        if (!to.isEmpty())
            dialog.toEdit()->setDate(QDate::fromString(to, Qt::ISODate));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("report.") + suffix);
        QString error;
        const bool saved = suffix == QLatin1String("pdf") ? dialog.savePdf(path, &error)
                                                          : dialog.saveXlsx(path, &error);
        QCOMPARE(saved ? question : error, asked);
        QCOMPARE(QFileInfo(path).size() > 0, saved);
    }
};

QTEST_MAIN(TestReceptionReportDialog)
#include "tst_receptionreportdialog.moc"
