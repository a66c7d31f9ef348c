#include <QTest>

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <utility>

#include "reception/TSupplierForm.h"
#include "reception/TSupplierRegisterDialog.h"
#include "text/ReceptionStrings.h"

namespace S = ReceptionStrings;

namespace {

Supplier supplier(const QString &code, const QString &name, int version = 1)
{
    Supplier s;
    s.code = code;
    s.version = version;
    s.name = name;
    s.farm = QStringLiteral("ферма ") + name;
    s.route = QStringLiteral("М1");
    s.milkType = QStringLiteral("коровье");
    return s;
}

// A register kept in memory as the archive keeps it: every version of every code.
struct Archive
{
    QMap<QString, QList<Supplier>> versions{{"001", {supplier("001", "Иванов")}},
                                            {"12", {supplier("12", "Петров")}},
                                            {"A7", {supplier("A7", "Сидоров")}}};
    QList<Supplier> saved;
    QStringList refusals; // what the next saves answer, one each

    void attach(TSupplierRegisterDialog &dialog)
    {
        dialog.load = [this] {
            QList<Supplier> latest;
            for (const QList<Supplier> &of : std::as_const(versions))
                latest << of.last();
            return latest;
        };
        dialog.save = [this](const Supplier &s) {
            if (!refusals.isEmpty())
                return refusals.takeFirst();
            Supplier kept = s;
            kept.version = int(versions[s.code].size()) + 1;
            versions[s.code] << kept;
            saved << kept;
            return QString();
        };
        dialog.history = [this](const QString &code) { return versions.value(code); };
    }
};

void setDate(QDateEdit *edit, QCheckBox *none, const QString &day)
{
    none->setChecked(day.isEmpty());
    if (!day.isEmpty())
        edit->setDate(QDate::fromString(day, Qt::ISODate));
}

int rowOf(const TSupplierRegisterDialog &dialog, const QString &code)
{
    for (int row = 0; row < dialog.shown().size(); ++row) {
        if (dialog.shown()[row].code == code)
            return row;
    }
    return -1;
}

} // namespace

class TestSupplierRegisterDialog : public QObject
{
    Q_OBJECT

private slots:
    // A new supplier: what keeps it out, said on the form (OK pressed) or after it (a form
    // that came back without OK), and what reaches the archive.
    void add_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("pressOk");
        QTest::addColumn<QString>("refused"); // empty: saved

        const QString taken001 = S::CodeTaken.arg("001", "Иванов");
        const QString takenA7 = S::CodeTaken.arg("A7", "Сидоров");
        for (bool ok : {true, false}) {
            const char *how = ok ? ", OK" : ", no OK";
            QTest::addRow("new code%s", how) << "003"
                                             << ""
                                             << "" << ok << "";
            QTest::addRow("new code with dates%s", how) << " 7 "
                                                        << "2026-01-01"
                                                        << "2026-12-31" << ok << "";
            QTest::addRow("empty code%s", how) << ""
                                               << ""
                                               << "" << ok << S::CodeEmpty;
            QTest::addRow("blank code%s", how) << "   "
                                               << ""
                                               << "" << ok << S::CodeEmpty;
            QTest::addRow("taken code%s", how) << "001"
                                               << ""
                                               << "" << ok << taken001;
            QTest::addRow("taken code with blanks%s", how) << " 001 "
                                                           << ""
                                                           << "" << ok << taken001;
            QTest::addRow("taken code in other case%s", how) << "a7"
                                                             << ""
                                                             << "" << ok << takenA7;
            QTest::addRow("dates backwards%s", how) << "004"
                                                    << "2026-12-31"
                                                    << "2026-01-01" << ok << S::ActiveBackwards;
        }
    }

    void add()
    {
        QFETCH(QString, code);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, pressOk);
        QFETCH(QString, refused);

        Archive archive;
        TSupplierRegisterDialog dialog;
        archive.attach(dialog);
        QString said;
        dialog.showMessage = [&said](const QString &text) { said = text; };
        int runs = 0;
        dialog.runForm = [&](TSupplierForm &form) {
            if (runs++ > 0)
                return false; // the operator gives up
            form.codeEdit()->setText(code);
            form.nameEdit()->setText(QStringLiteral("Новиков"));
            setDate(form.fromEdit(), form.fromNone(), from);
            setDate(form.toEdit(), form.toNone(), to);
            if (!pressOk)
                return true;
            said = form.message()->text();
            const bool okEnabled = form.buttons()->button(QDialogButtonBox::Ok)->isEnabled();
            form.buttons()->button(QDialogButtonBox::Ok)->click();
            if (okEnabled != said.isEmpty())
                said = QStringLiteral("OK enabled with a message");
            return form.result() == QDialog::Accepted;
        };
        dialog.reload();
        dialog.addSupplier();

        QCOMPARE(said, refused);
        QCOMPARE(archive.saved.size(), refused.isEmpty() ? 1 : 0);
        if (refused.isEmpty()) {
            const Supplier &kept = archive.saved.first();
            QCOMPARE(kept.code, code.trimmed());
            QCOMPARE(kept.name, QStringLiteral("Новиков"));
            QCOMPARE(kept.activeFrom, QDate::fromString(from, Qt::ISODate));
            QCOMPARE(kept.activeTo, QDate::fromString(to, Qt::ISODate));
            QVERIFY(rowOf(dialog, kept.code) >= 0); // the table shows it
        }
    }

    // A change of a supplier: a new version of the code that was selected, whatever the code
    // field says, kept through the hook; a save the archive refuses is said and the form
    // comes back with what was typed.
    void edit_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("codeField"); // empty: left as it is
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("refusal");

        QTest::newRow("new name") << "12"
                                  << ""
                                  << "Петрова"
                                  << ""
                                  << "";
        QTest::newRow("supplier leaves") << "001"
                                         << ""
                                         << "Иванов"
                                         << "2026-12-31"
                                         << "";
        QTest::newRow("code field changed") << "A7"
                                            << "999"
                                            << "Сидоров"
                                            << ""
                                            << "";
        QTest::newRow("archive refuses once") << "12"
                                              << ""
                                              << "Петрова"
                                              << ""
                                              << "база занята";
    }

    void edit()
    {
        QFETCH(QString, selected);
        QFETCH(QString, codeField);
        QFETCH(QString, name);
        QFETCH(QString, to);
        QFETCH(QString, refusal);

        Archive archive;
        if (!refusal.isEmpty())
            archive.refusals << refusal;
        TSupplierRegisterDialog dialog;
        archive.attach(dialog);
        QString said;
        dialog.showMessage = [&said](const QString &text) { said = text; };
        QStringList namesOnForm; // as each run of the form found it
        dialog.runForm = [&](TSupplierForm &form) {
            namesOnForm << form.nameEdit()->text();
            if (namesOnForm.size() > 2)
                return false;
            if (!form.codeEdit()->isReadOnly())
                return false;
            if (!codeField.isEmpty())
                form.codeEdit()->setText(codeField);
            form.nameEdit()->setText(name);
            setDate(form.toEdit(), form.toNone(), to);
            form.buttons()->button(QDialogButtonBox::Ok)->click();
            return form.result() == QDialog::Accepted;
        };
        dialog.reload();
        const Supplier before = dialog.shown()[rowOf(dialog, selected)];
        dialog.table()->selectRow(rowOf(dialog, selected));
        QVERIFY(dialog.editButton()->isEnabled());
        dialog.editButton()->click();

        QCOMPARE(said, refusal.isEmpty() ? QString() : S::SupplierNotSaved.arg(refusal));
        // Once, or again after the refusal with the name typed the first time.
        const QStringList runs = refusal.isEmpty() ? QStringList{before.name}
                                                   : QStringList{before.name, name};
        QCOMPARE(namesOnForm, runs);
        QCOMPARE(archive.saved.size(), 1);
        const Supplier &kept = archive.saved.first();
        QCOMPARE(kept.code, selected);
        QCOMPARE(kept.version, 2);
        QCOMPARE(kept.name, name);
        QCOMPARE(kept.farm, before.farm);
        QCOMPARE(kept.milkType, before.milkType);
        QCOMPARE(kept.activeTo, QDate::fromString(to, Qt::ISODate));
        QCOMPARE(dialog.shown().size(), 3);
        QCOMPARE(dialog.shown()[rowOf(dialog, selected)].name, name);
    }

    // The order of the table: codes that are numbers by their value.
    void order_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QStringList>("shown");

        QTest::newRow("numbers") << QStringList{"10", "9", "100", "2"}
                                 << QStringList{"2", "9", "10", "100"};
        QTest::newRow("leading zeros")
            << QStringList{"010", "002", "001"} << QStringList{"001", "002", "010"};
        QTest::newRow("letters and numbers")
            << QStringList{"Б2", "А10", "А9", "3"} << QStringList{"3", "А9", "А10", "Б2"};
    }

    void order()
    {
        QFETCH(QStringList, codes);
        QFETCH(QStringList, shown);

        TSupplierRegisterDialog dialog;
        dialog.load = [&codes] {
            QList<Supplier> out;
            for (const QString &code : codes)
                out << supplier(code, QStringLiteral("Поставщик ") + code);
            return out;
        };
        dialog.reload();
        QStringList inTable;
        for (int row = 0; row < dialog.table()->rowCount(); ++row)
            inTable << dialog.table()->item(row, 0)->text();
        QCOMPARE(inTable, shown);
    }

    // "История…": the versions of the selected code, a line each.
    void history_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("versions"); // version and name, as the table shows them

        QTest::newRow("one version") << "001" << QStringList{"1 Иванов"};
        QTest::newRow("renamed twice")
            << "12" << QStringList{"1 Петров", "2 Петрова", "3 Петрова-Ким"};
    }

    void history()
    {
        QFETCH(QString, selected);
        QFETCH(QStringList, versions);

        Archive archive;
        archive.versions["12"] << supplier("12", "Петрова", 2) << supplier("12", "Петрова-Ким", 3);
        TSupplierRegisterDialog dialog;
        archive.attach(dialog);
        QStringList lines;
        dialog.runHistory = [&lines](QDialog &shown) {
            const auto *table = shown.findChild<QTableWidget *>();
            for (int row = 0; table && row < table->rowCount(); ++row)
                lines << table->item(row, 1)->text() + u' ' + table->item(row, 2)->text();
        };
        dialog.reload();
        QVERIFY(!dialog.historyButton()->isEnabled());
        dialog.table()->selectRow(rowOf(dialog, selected));
        dialog.historyButton()->click();

        QCOMPARE(lines, versions);
    }
};

QTEST_MAIN(TestSupplierRegisterDialog)
#include "tst_supplierregisterdialog.moc"
