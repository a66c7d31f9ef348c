#include <QTest>

#include "server/ConnInfo.h"
#include "server/ServerMessages.h"
#include "text/ServerStrings.h"

// The connection string as it reaches libpq, and what libpq says as the operator reads it.
class TestServerConfig : public QObject
{
    Q_OBJECT

    // What the program adds to a string that sets none of it.
    static QString bounds(const QString &options = QStringLiteral("'-c statement_timeout=15000'"))
    {
        return QStringLiteral(" connect_timeout=5 keepalives=1 keepalives_idle=10 "
                              "keepalives_interval=5 keepalives_count=3 tcp_user_timeout=20000 "
                              "options=")
               + options;
    }

private slots:
    // used: what libpq gets; empty when the string is refused for its password.
    void connectionStrings_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("used");
        QTest::newRow("key=value") << "host=db.lab dbname=reg01 user=st"
                                   << "host=db.lab dbname=reg01 user=st" + bounds();
        const QString own = QStringLiteral("host=h connect_timeout=30 Keepalives_Idle = 60 "
                                           "tcp_user_timeout=1000");
        QTest::newRow("own bounds kept")
            << own
            << own
                   + QStringLiteral(" keepalives=1 keepalives_interval=5 keepalives_count=3 "
                                    "options='-c statement_timeout=15000'");
        QTest::newRow("own options extended")
            << "host=h options='-c search_path=lab'"
            << "host=h options='-c search_path=lab'"
                   + bounds("'-c search_path=lab -c statement_timeout=15000'");
        QTest::newRow("own statement timeout")
            << "host=h options='-c statement_timeout=0'"
            << "host=h options='-c statement_timeout=0'"
                   + bounds().section(QStringLiteral(" options="), 0, 0);
        QTest::newRow("quoted value with a space")
            << "host=h application_name='line 2' sslmode=verify-full"
            << "host=h application_name='line 2' sslmode=verify-full" + bounds();
        // The driver puts the string after its own, where libpq no longer reads a URI.
        QTest::newRow("uri") << "postgresql://st@db.lab:5433/reg01"
                             << "user=st host=db.lab port=5433 dbname=reg01" + bounds();
        QTest::newRow("uri with options")
            << "postgres://db.lab/reg01?sslmode=verify-full&sslrootcert=/etc/ssl/lab%20ca.pem"
               "&keepalives_idle=30"
            << "host=db.lab dbname=reg01 sslmode=verify-full sslrootcert='/etc/ssl/lab ca.pem' "
               "keepalives_idle=30"
                   + bounds().replace(QStringLiteral(" keepalives_idle=10"), QString());
        QTest::newRow("uri hosts") << "postgresql://[::1]:5432,db2/reg%2001"
                                   << "host=::1,db2 port=5432, dbname='reg 01'" + bounds();
        QTest::newRow("uri nothing but the scheme") << "postgresql://" << bounds().mid(1);
        QTest::newRow("password") << "host=h password=s3cret user=u" << QString();
        QTest::newRow("password quoted") << "host=h password = 'a b'" << QString();
        QTest::newRow("uri password") << "postgresql://u:s3cret@h/d" << QString();
        QTest::newRow("uri password parameter") << "postgresql://h/d?password=s3cret" << QString();
        QTest::newRow("password in another value")
            << "host=h application_name=password=x"
            << "host=h application_name=password=x" + bounds();
    }
    void connectionStrings()
    {
        QFETCH(QString, given);
        QFETCH(QString, used);
        QCOMPARE(ConnInfo::hasPassword(given), used.isEmpty());
        if (!used.isEmpty())
            QCOMPARE(ConnInfo::withBounds(given), used);
    }

    // libpq's words (as PostgreSQL 15 prints them) and the cause the status line gives.
    void libpqMessages_data()
    {
        QTest::addColumn<QString>("original");
        QTest::addColumn<QString>("cause");
        QTest::newRow("admin shutdown")
            << "FATAL:  terminating connection due to administrator command"
            << Str::CauseAdminShutdown;
        QTest::newRow("refused") << "connection to server at \"127.0.0.1\", port 1 failed: "
                                    "Connection refused"
                                 << Str::CauseRefused;
        QTest::newRow("refused, older libpq")
            << "could not connect to server: Connection refused" << Str::CauseRefused;
        QTest::newRow("password") << "connection to server at \"db\" (10.0.0.5), port 5432 "
                                     "failed: FATAL:  password authentication failed for user "
                                     "\"st\""
                                  << Str::CausePassword;
        QTest::newRow("no password")
            << "connection to server at \"db\", port 5432 failed: fe_sendauth: no password "
               "supplied"
            << Str::CauseNoPassword;
        QTest::newRow("timeout") << "connection to server at \"db\", port 5432 failed: timeout "
                                    "expired"
                                 << Str::CauseTimeout;
        QTest::newRow("statement timeout")
            << "ERROR:  canceling statement due to statement timeout" << Str::CauseStatementTimeout;
        QTest::newRow("lost") << "server closed the connection unexpectedly"
                              << Str::CauseConnectionLost;
        QTest::newRow("certificate") << "connection to server at \"db\", port 5432 failed: SSL "
                                        "error: certificate verify failed"
                                     << Str::CauseCertificate;
        QTest::newRow("host name") << "server certificate for \"localhost\" does not match host "
                                      "name \"127.0.0.1\""
                                   << Str::CauseCertificate;
        QTest::newRow("no root certificate")
            << "root certificate file \"/root/.postgresql/root.crt\" does not exist"
            << Str::CauseRootCertMissing;
        QTest::newRow("hba") << "FATAL:  no pg_hba.conf entry for host \"10.0.0.7\", user \"st\", "
                                "database \"reg01\", no encryption"
                             << Str::CauseHba;
        QTest::newRow("no ssl") << "server does not support SSL, but SSL was required"
                                << Str::CauseNoSsl;
        QTest::newRow("unknown host") << "could not translate host name \"db.lab\" to address: "
                                         "Name or service not known"
                                      << Str::CauseHostUnknown;
        QTest::newRow("no database")
            << "FATAL:  database \"reg02\" does not exist" << Str::CauseNoDatabase;
        QTest::newRow("starting") << "FATAL:  the database system is starting up"
                                  << Str::CauseStarting;
        QTest::newRow("bad string")
            << "invalid connection option \"hots\"" << Str::CauseBadConninfo;
        QTest::newRow("ours, kept") << "станция «а» на сервере ведёт другой архив"
                                    << "станция «а» на сервере ведёт другой архив";
        QTest::newRow("ours, quoting English") << "архив: database is locked"
                                               << "архив: database is locked";
        QTest::newRow("unknown") << "ERROR:  something new" << Str::ServerDetailsInTooltip;
    }
    void libpqMessages()
    {
        QFETCH(QString, original);
        QFETCH(QString, cause);
        QCOMPARE(ServerMessages::cause(original), cause);
    }
};

QTEST_MAIN(TestServerConfig)
#include "tst_serverconfig.moc"
