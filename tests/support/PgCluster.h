#pragma once

// A PostgreSQL cluster of the test's own: initdb and pg_ctl in a temporary folder, a private
// port on the loopback and a private socket folder, run as an unprivileged user (nobody when
// the tests run as root, as PostgreSQL refuses root). The role "reg01" logs in with a password
// over TCP, found through a password file of the test's own (PGPASSFILE); the superuser
// "postgres" over the socket without one. withTls adds a self-signed certificate.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <csignal>
#include <initializer_list>
#include <unistd.h>

class PgCluster
{
public:
    explicit PgCluster(bool withTls = false)
        : m_tls(withTls)
    {
        QFile::setPermissions(m_tmp.path(), QFile::Permissions(0x7777));
        m_data = m_tmp.filePath("data");
        m_sockets = m_tmp.filePath("sockets");
        QDir().mkpath(m_sockets);
        QFile::setPermissions(m_sockets, QFile::Permissions(0x7777));
        const QStringList versions = QDir("/usr/lib/postgresql")
                                         .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        if (!versions.isEmpty())
            m_bin = "/usr/lib/postgresql/" + versions.last() + "/bin/";
        QTcpServer probe; // a free port for the server
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
    }
    ~PgCluster() { stop(); }

    bool available() const { return QFile::exists(m_bin + "initdb"); }
    int port() const { return m_port; }
    QString error() const { return m_error; }
    QString passFile() const { return m_tmp.filePath("pgpass"); }

    // A password file at `path` that logs each of `roles` in over TCP with the test password,
    // made the one libpq reads (PGPASSFILE).
    bool usePassFile(const QString &path, std::initializer_list<const char *> roles) const
    {
        QFile pass(path);
        if (!pass.open(QIODevice::WriteOnly))
            return false;
        for (const char *role : roles)
            pass.write(QString("127.0.0.1:%1:*:%2:station-secret\n").arg(m_port).arg(role).toUtf8());
        pass.close();
        pass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        qputenv("PGPASSFILE", path.toLocal8Bit());
        return true;
    }

    // A libpq connection string for the program's role; the password comes from passFile().
    QString connectionString(const QString &extra = QString()) const
    {
        return QString("host=127.0.0.1 port=%1 dbname=reg01 user=reg01 connect_timeout=3 %2")
            .arg(m_port)
            .arg(extra)
            .trimmed();
    }

    // Makes the cluster (the first time) and starts it.
    bool start()
    {
        if (!QFile::exists(m_data + "/PG_VERSION") && !create())
            return false;
        return run(m_bin + "pg_ctl",
                   {"-D", m_data, "-l", m_tmp.filePath("server.log"), "-w", "-t", "30", "start"});
    }
    bool stop()
    {
        if (!QFile::exists(m_data + "/postmaster.pid"))
            return true;
        return run(m_bin + "pg_ctl", {"-D", m_data, "-m", "fast", "-w", "stop"});
    }
    // SQL as the superuser, over the socket; the output of psql -At.
    bool psql(const QString &sql, QString *out = nullptr, const QString &database = "reg01")
    {
        return run(m_bin + "psql",
                   {"-h", m_sockets, "-p", QString::number(m_port), "-U", "postgres", "-d",
                    database, "-v", "ON_ERROR_STOP=1", "-At", "-c", sql},
                   out);
    }

    // Sends sig to the server's processes, the postmaster and its children (SIGSTOP freezes
    // the server as a hung machine would, SIGCONT lets it go on).
    bool signalAll(int sig)
    {
        QFile pidFile(m_data + "/postmaster.pid");
        if (!pidFile.open(QIODevice::ReadOnly))
            return fail("no postmaster.pid");
        const qint64 postmaster = pidFile.readLine().trimmed().toLongLong();
        if (postmaster <= 0)
            return fail("no postmaster pid");
        QList<qint64> pids{postmaster};
        for (const QString &entry : QDir("/proc").entryList(QDir::Dirs)) {
            QFile stat("/proc/" + entry + "/stat");
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            // pid (name) state ppid ...: the name may hold spaces, so read after its ')'.
            const QByteArray line = stat.readAll();
            const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (rest.size() > 1 && rest[1].toLongLong() == postmaster)
                pids << entry.toLongLong();
        }
        for (const qint64 pid : pids)
            ::kill(pid_t(pid), sig);
        return true;
    }

private:
    bool create()
    {
        const QString pw = m_tmp.filePath("superpw");
        QFile f(pw);
        if (!f.open(QIODevice::WriteOnly) || f.write("unused\n") < 0)
            return fail("cannot write the password file");
        f.close();
        QFile::setPermissions(pw, QFile::Permissions(0x6444));
        if (!run(m_bin + "initdb",
                 {"-D", m_data, "-U", "postgres", "-A", "trust", "-E", "UTF8", "--locale=C.UTF-8"}))
            return false;
        QString conf = QString("port = %1\nlisten_addresses = '127.0.0.1'\n"
                               "unix_socket_directories = '%2'\nfsync = off\n"
                               "password_encryption = scram-sha-256\n")
                           .arg(m_port)
                           .arg(m_sockets);
        if (m_tls) {
            if (!run("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                                 "-subj", "/CN=localhost", "-keyout", m_data + "/server.key",
                                 "-out", m_data + "/server.crt"}))
                return false;
            chownToServer(m_data + "/server.key");
            chownToServer(m_data + "/server.crt");
            conf += "ssl = on\nssl_cert_file = 'server.crt'\nssl_key_file = 'server.key'\n";
        }
        const QString hba = QString("local all postgres trust\n"
                                    "%1 all all 127.0.0.1/32 scram-sha-256\n")
                                .arg(m_tls ? "hostssl" : "host");
        if (!append(m_data + "/postgresql.conf", conf) || !overwrite(m_data + "/pg_hba.conf", hba))
            return fail("cannot write the server configuration");
        if (!run(m_bin + "pg_ctl",
                 {"-D", m_data, "-l", m_tmp.filePath("server.log"), "-w", "start"}))
            return false;
        const bool made = run(m_bin + "psql",
                              {"-h", m_sockets, "-p", QString::number(m_port), "-U", "postgres",
                               "-d", "postgres", "-v", "ON_ERROR_STOP=1", "-c",
                               "CREATE ROLE reg01 LOGIN PASSWORD 'station-secret'", "-c",
                               "CREATE DATABASE reg01 OWNER reg01"});
        run(m_bin + "pg_ctl", {"-D", m_data, "-m", "fast", "-w", "stop"});
        if (!made)
            return false;
        QFile pass(passFile());
        if (!pass.open(QIODevice::WriteOnly)
            || pass.write(QString("127.0.0.1:%1:*:reg01:station-secret\n").arg(m_port).toUtf8()) < 0)
            return fail("cannot write the pgpass file");
        pass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return true;
    }

    bool run(const QString &program, const QStringList &args, QString *out = nullptr)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (geteuid() == 0 && program != "openssl" && !nullWritableByOthers()) {
            // A machine whose /dev/null only root may write: initdb and pg_ctl need one, so
            // they get a private one of their own in a mount namespace.
            const QString null = m_tmp.filePath("null");
            if (!QFile::exists(null))
                QProcess::execute("mknod", {"-m", "666", null, "c", "1", "3"});
            p.start("unshare", QStringList{"--mount", "sh", "-c",
                                           "mount --bind \"$0\" /dev/null && "
                                           "exec runuser -u nobody -- \"$@\"",
                                           null, program}
                                   + args);
        } else if (geteuid() == 0 && program != "openssl") {
            p.start("runuser", QStringList{"-u", "nobody", "--", program} + args);
        } else {
            p.start(program, args);
        }
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return fail(program + ": " + QString::fromLocal8Bit(p.readAll()));
        if (out)
            *out = QString::fromLocal8Bit(p.readAll()).trimmed();
        return true;
    }
    static bool nullWritableByOthers()
    {
        return QFile::permissions("/dev/null").testFlag(QFile::WriteOther);
    }
    void chownToServer(const QString &path)
    {
        if (geteuid() == 0)
            QProcess::execute("chown", {"nobody", path});
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }
    static bool append(const QString &path, const QString &text)
    {
        QFile f(path);
        return f.open(QIODevice::Append) && f.write(text.toUtf8()) >= 0;
    }
    static bool overwrite(const QString &path, const QString &text)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) >= 0;
    }
    bool fail(const QString &why)
    {
        m_error = why;
        return false;
    }

    bool m_tls;
    QTemporaryDir m_tmp;
    QString m_data;
    QString m_sockets;
    QString m_bin;
    QString m_error;
    int m_port = 0;
};
