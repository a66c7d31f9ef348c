// What a label means to reception, and a window's reception settings read with bad values.

#include <QTemporaryDir>
#include <QTest>

#include "reception/ReceptionDesk.h"
#include "reception/ReceptionSettings.h"
#include "reception/SupplierRegister.h"
#include "settings/TIniPlus.h"

class TestSupplierRegister : public QObject
{
    Q_OBJECT

private slots:
    void find_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("expected"); // the name, or the status bar's text

        const QDate d(2026, 12, 9);
        QTest::newRow("code") << "017" << d << "Иванов А.П.";
        QTest::newRow("blanks and case") << " ab-5 " << d << "Петрова";
        QTest::newRow("unknown") << "019" << d << "Приёмка: поставщика с кодом «019» нет в реестре";
        QTest::newRow("last active day") << "018" << QDate(2026, 12, 31) << "Сидоров";
        QTest::newRow("ended") << "018" << QDate(2027, 1, 1)
                               << "Приёмка: поставщик 018 (Сидоров) не действует на дату пробы";
        QTest::newRow("not yet") << "AB-5" << QDate(2026, 11, 30)
                                 << "Приёмка: поставщик AB-5 (Петрова) не действует на дату пробы";
    }
    void find()
    {
        QFETCH(QString, label);
        QFETCH(QDate, day);
        QFETCH(QString, expected);
        SupplierRegister r;
        r.setSuppliers(
            {{QStringLiteral("017"), 1, QStringLiteral("Иванов А.П."), {}, {}, {}, {}, {}},
             {QStringLiteral("018"), 2, QStringLiteral("Сидоров"), {}, {}, {}, {}, QDate(2026, 12, 31)},
             {QStringLiteral("AB-5"),
              1,
              QStringLiteral("Петрова"),
              {},
              {},
              {},
              QDate(2026, 12, 1),
              {}}});
        const SupplierRegister::Found f = r.find(label, day);
        const QString problem = SupplierRegister::problemText(label, f);
        QCOMPARE(problem.isEmpty() ? f.supplier.name : problem, expected);
    }

    void secondDeliveryInAShift()
    {
        SupplierRegister r;
        const QDateTime morning(QDate(2026, 12, 9), QTime(6, 0));
        r.noteDelivery(QStringLiteral("017"), ReceptionShift::of(morning, 12));
        QVERIFY(
            r.deliveredIn(QStringLiteral(" 017"), ReceptionShift::of(morning.addSecs(3600), 12)));
        QVERIFY(!r.deliveredIn(QStringLiteral("017"),
                               ReceptionShift::of(morning.addSecs(6 * 3600), 12)));
        QVERIFY(!r.deliveredIn(QStringLiteral("017"), ReceptionShift::of(morning.addDays(1), 12)));
    }

    // A row of the table taken as a delivery: litres by the row's density, its fat from the
    // value column, and the words for what is wrong.
    void desk_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<double>("density");
        QTest::addColumn<QString>("expected");

        QTest::newRow("delivery") << "017"
                                  << "1000" << 1028.5 << "1028,50 kg, 1028,50 credited";
        QTest::newRow("no density") << "017"
                                    << "100" << qQNaN() << "103,00 kg, 103,00 credited";
        QTest::newRow("no quantity yet") << "017"
                                         << " " << 1028.5 << "";
        QTest::newRow("quantity no number")
            << "017"
            << "сто" << 1028.5 << "Приёмка: количество «сто» — не число больше нуля";
        QTest::newRow("negative quantity")
            << "017"
            << "-5" << 1028.5 << "Приёмка: количество «-5» — не число больше нуля";
        QTest::newRow("unknown code")
            << "17"
            << "100" << 1028.5 << "Приёмка: поставщика с кодом «17» нет в реестре";
        QTest::newRow("second in the shift")
            << "017"
            << "10" << 1028.5 << "10,29 kg, 10,29 credited, second";
    }
    void desk()
    {
        QFETCH(QString, label);
        QFETCH(QString, quantity);
        QFETCH(double, density);
        QFETCH(QString, expected);
        ReceptionSettings settings;
        settings.unit = DeliveryMass::Unit::Litres;
        SupplierRegister suppliers;
        suppliers.setSuppliers(
            {{QStringLiteral("017"), 1, QStringLiteral("Иванов"), {}, {}, {}, {}, {}}});
        const QDateTime at(QDate(2026, 12, 9), QTime(6, 30));
        if (QByteArray(QTest::currentDataTag()) == "second in the shift")
            suppliers.noteDelivery(QStringLiteral("017"), ReceptionShift::of(at.addSecs(-600), 12));
        const RateHistory rates;
        const ReceptionDesk desk(settings, suppliers, rates);
        const auto row = [density](int value) {
            return value == ReceptionDesk::FatValue       ? 3.4
                   : value == ReceptionDesk::DensityValue ? density
                                                          : qQNaN();
        };
        const ReceptionDesk::Outcome o = desk.take(label, at, quantity, row);
        QString got = o.problem;
        if (o.delivery)
            got = o.delivery->kilograms->toString(2) + QStringLiteral(" kg, ")
                  + o.delivery->credited->toString(2) + QStringLiteral(" credited")
                  + (o.secondInShift ? QStringLiteral(", second") : QString());
        QCOMPARE(got, expected);
    }

    void settings_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("expected"); // enabled basis fat protein hour unit, notes

        QTest::newRow("none") << ""
                              << "0 fat 3,40 3,00 12 kg 0";
        QTest::newRow("defaults") << "Enabled=1"
                                  << "1 fat 3,40 3,00 12 kg 0";
        QTest::newRow("all given") << "Enabled=1\nBaseFat=3,6\nBaseProtein=3.2\nCredit=both\n"
                                      "EveningHour=14\nUnit=l"
                                   << "1 both 3,60 3,20 14 l 0";
        QTest::newRow("bad values keep defaults")
            << "Enabled=1\nBaseFat=0\nBaseProtein=много\nCredit=sugar\nEveningHour=24\nUnit=t"
            << "1 fat 3,40 3,00 12 kg 5";
        QTest::newRow("off ignores the rest") << "Enabled=0\nBaseFat=0"
                                              << "0 fat 3,40 3,00 12 kg 0";
    }
    void settings()
    {
        QFETCH(QString, section);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("w.ini"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(("[Reception]\n" + section + "\n").toUtf8());
        f.close();
        const ReceptionSettings s = ReceptionSettings::read(TIniPlus(path));
        const QString got = QStringList{QString::number(s.enabled),
                                        CreditedWeight::keyOf(s.credit.basis),
                                        s.credit.baseFat.toString(2),
                                        s.credit.baseProtein.toString(2),
                                        QString::number(s.eveningHour),
                                        s.unit == DeliveryMass::Unit::Litres ? "l" : "kg",
                                        QString::number(s.notes.size())}
                                .join(QLatin1Char(' '));
        QCOMPARE(got, expected);
    }
};

QTEST_GUILESS_MAIN(TestSupplierRegister)
#include "tst_supplierregister.moc"
