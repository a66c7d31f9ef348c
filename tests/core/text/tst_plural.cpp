#include <QTest>

#include "text/ServerStrings.h"

// The noun after a count takes the form the count's last digits ask for.
class TestPlural : public QObject
{
    Q_OBJECT

private slots:
    void records_data()
    {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("text");
        for (const auto &[n, text] :
             std::initializer_list<std::pair<qint64, const char *>>{{0, "0 записей"},
                                                                    {1, "1 запись"},
                                                                    {2, "2 записи"},
                                                                    {4, "4 записи"},
                                                                    {5, "5 записей"},
                                                                    {11, "11 записей"},
                                                                    {12, "12 записей"},
                                                                    {14, "14 записей"},
                                                                    {21, "21 запись"},
                                                                    {22, "22 записи"},
                                                                    {111, "111 записей"},
                                                                    {112, "112 записей"},
                                                                    {121, "121 запись"},
                                                                    {1000004, "1000004 записи"}})
            QTest::newRow(text) << n << QString::fromUtf8(text);
    }
    void records()
    {
        QFETCH(qint64, n);
        QFETCH(QString, text);
        QCOMPARE(Str::records(n), text);
    }
};

QTEST_GUILESS_MAIN(TestPlural)
#include "tst_plural.moc"
