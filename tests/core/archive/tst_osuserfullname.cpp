#include <QTest>

#include "archive/OsUserFullName.h"

class TestOsUserFullName : public QObject
{
    Q_OBJECT
private slots:
    // The name a protocol's operator line and signature take from the password entry.
    void gecos_data()
    {
        QTest::addColumn<QString>("gecos");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("name");
        QTest::newRow("name, empty office fields") << "Иванов Иван,,,"
                                                   << "ivanov"
                                                   << "Иванов Иван";
        QTest::newRow("empty field") << ""
                                     << "ivanov"
                                     << "";
        QTest::newRow("commas only") << ",,,"
                                     << "ivanov"
                                     << "";
        QTest::newRow("blanks around and inside") << "  Петров  Пётр , к. 12,,"
                                                  << "petrov"
                                                  << "Петров Пётр";
        QTest::newRow("ampersand is the login") << "& Smith,,,"
                                                << "john"
                                                << "John Smith";
    }
    void gecos()
    {
        QFETCH(QString, gecos);
        QFETCH(QString, login);
        QFETCH(QString, name);
        QCOMPARE(gecosFullName(gecos, login), name);
    }
};

QTEST_MAIN(TestOsUserFullName)
#include "tst_osuserfullname.moc"
