// Reception's rows in a real archive: supplier versions, rate tables read back as they were
// imported, a delivery typed again, a delivery moved to another supplier, and rows that
// cannot be changed or removed.

#include <memory>

#include <QTemporaryDir>
#include <QTest>

#include "archive/TArchive.h"
#include "reception/ReceptionStore.h"
#include "support/ArchiveSamples.h"

namespace {

const QDateTime Now = QDateTime(QDate(2026, 12, 9), QTime(8, 0));

Delivery delivery(const char *code, const QTime &at, const char *kg)
{
    Delivery d;
    d.supplierCode = QString::fromLatin1(code);
    d.at = QDateTime(QDate(2026, 12, 9), at);
    d.quantity = *Decimal::parse(QString::fromLatin1(kg));
    d.fat = Decimal::parse(QStringLiteral("3,45"));
    d.workOut(CreditedWeight(), RateHistory());
    return d;
}

QString summary(const QList<Delivery> &list)
{
    QStringList out;
    for (const Delivery &d : list)
        out << d.supplierCode + QLatin1Char(':') + d.kilograms->toString(2) + QLatin1Char('/')
                   + (d.credited ? d.credited->toString(2) : QStringLiteral("-"));
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestReceptionStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    TArchive m_archive;

private slots:
    void init()
    {
        m_archive.close();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_archive.open(m_dir->path()));
    }

    void supplierVersions()
    {
        const QSqlDatabase db = m_archive.sideTables();
        QSqlError e;
        Supplier s{QStringLiteral("017"), 0, QStringLiteral("Иванов А.П."), {}, {}, {}, {}, {}};
        QCOMPARE(ReceptionStore::addSupplier(db, s, QStringLiteral("op"), Now, &e), 1);
        s.name = QStringLiteral("Иванов Алексей Петрович");
        s.activeTo = QDate(2026, 12, 31);
        QCOMPARE(ReceptionStore::addSupplier(db, s, QStringLiteral("op"), Now, &e), 2);
        s.code = QStringLiteral("018");
        QCOMPARE(ReceptionStore::addSupplier(db, s, QStringLiteral("op"), Now, &e), 1);
        const QList<Supplier> now = ReceptionStore::suppliers(db, &e);
        QCOMPARE(now.size(), 2);
        QCOMPARE(now[0].name, QStringLiteral("Иванов Алексей Петрович"));
        QCOMPARE(now[0].activeTo, QDate(2026, 12, 31));
        const QList<Supplier> history = ReceptionStore::supplierHistory(db, QStringLiteral("017"),
                                                                        &e);
        QCOMPARE(history.size(), 2);
        QCOMPARE(history[0].name, QStringLiteral("Иванов А.П."));
        QVERIFY(history[0].activeTo.isNull());
    }

    void rateTablesReadBack()
    {
        const QSqlDatabase db = m_archive.sideTables();
        QSqlError e;
        const QString csv = QStringLiteral("Цена за зачётный кг;34,50\nвторой;-5\n");
        RateTable t = *RateTable::fromCsv(csv).table;
        t.validFrom = QDateTime(QDate(2026, 12, 1), QTime(0, 0));
        const qint64 first = ReceptionStore::addRateTable(db, t, csv, QString(), Now, &e);
        t.validFrom = QDateTime(QDate(2026, 12, 10), QTime(0, 0));
        const qint64 second = ReceptionStore::addRateTable(db, t, csv, QString(), Now, &e);
        QVERIFY(first > 0 && second > first);
        const RateHistory h = ReceptionStore::rateHistory(db, &e);
        QCOMPARE(h.versions().size(), 2);
        const RateTable *in = h.inForce(QDateTime(QDate(2026, 12, 9), QTime(23, 59, 59)), {});
        QVERIFY(in);
        QCOMPARE(in->id, first);
        QCOMPARE(in->price({}, {}, QStringLiteral("второй"))->toString(2), QStringLiteral("32,78"));
    }

    void latestRowOfEachResult_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expected");
        QTest::newRow("all") << ""
                             << "017:120,00/121,76 018:40,00/40,59 017:55,50/56,32";
        QTest::newRow("moved away from 018") << "018"
                                             << "018:40,00/40,59";
        QTest::newRow("one supplier") << "017"
                                      << "017:120,00/121,76 017:55,50/56,32";
    }
    void latestRowOfEachResult()
    {
        QFETCH(QString, code);
        QFETCH(QString, expected);
        const QSqlDatabase db = m_archive.sideTables();
        QSqlError e;
        const QUuid a = QUuid::createUuid(), b = QUuid::createUuid(), c = QUuid::createUuid();
        for (const auto &[uid, d] :
             {std::pair{a, delivery("017", QTime(6, 0), "100")},
              std::pair{a, delivery("017", QTime(6, 0), "120")}, // typed again
              std::pair{b, delivery("018", QTime(6, 30), "40")},
              std::pair{c, delivery("018", QTime(7, 0), "55,5")},
              std::pair{c, delivery("017", QTime(7, 0), "55,5")}, // label corrected
              std::pair{QUuid::createUuid(), delivery("017", QTime(12, 0), "10")}})
            QVERIFY(ReceptionStore::addDelivery(db, uid, d, 1, QString(), Now, &e) > 0);
        const QList<Delivery> morning
            = ReceptionStore::deliveries(db, QDateTime(QDate(2026, 12, 9), QTime(0, 0)),
                                         QDateTime(QDate(2026, 12, 9), QTime(12, 0)), code, &e);
        QCOMPARE(summary(morning), expected);
    }

    void appendOnly_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("supplier renamed") << "UPDATE suppliers SET name = 'x'";
        QTest::newRow("rate table removed") << "DELETE FROM rate_tables";
        QTest::newRow("amount changed") << "UPDATE deliveries SET amount = '0'";
    }
    void appendOnly()
    {
        QFETCH(QString, sql);
        {
            const QSqlDatabase db = m_archive.sideTables();
            QSqlError e;
            const QString csv = QStringLiteral("Цена за зачётный кг;34\n");
            RateTable t = *RateTable::fromCsv(csv).table;
            t.validFrom = Now;
            QVERIFY(ReceptionStore::addRateTable(db, t, csv, {}, Now, &e) > 0);
            QVERIFY(
                ReceptionStore::addSupplier(db,
                                            Supplier{QStringLiteral("1"), 0, {}, {}, {}, {}, {}, {}},
                                            {}, Now, &e)
                > 0);
            QVERIFY(ReceptionStore::addDelivery(db, QUuid::createUuid(),
                                                delivery("1", QTime(6, 0), "1"), 1, {}, Now, &e)
                    > 0);
        }
        const QString path = m_archive.path();
        m_archive.close();
        RawArchive raw(path);
        QVERIFY(!raw.exec(sql));
    }
};

QTEST_GUILESS_MAIN(TestReceptionStore)
#include "tst_receptionstore.moc"
