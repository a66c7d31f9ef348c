#pragma once

// One named QSqlDatabase connection, owned: made under a name no other connection ever had
// (a serial number, never an address: an owner made where an old one stood must not find that
// one's connection, which may belong to another thread), closed and removed with its owner, on
// the owner's thread. Qt keeps connections by name in a list of its own; the owner keeps no
// QSqlDatabase copy beyond a statement, so that the removal finds it unused. The owner sets the
// database name and the connect options, as each owner has its own.

#include <QSqlDatabase>
#include <QString>

class DatabaseConnection
{
public:
    // prefix names the owner in the connection's name: "reg01-archive-7".
    DatabaseConnection(const QString &driver, const QString &prefix);
    ~DatabaseConnection();
    DatabaseConnection(const DatabaseConnection &) = delete;
    DatabaseConnection &operator=(const DatabaseConnection &) = delete;

    const QString &name() const { return m_name; }
    // The connection, added on first use; invalid when Qt lacks the driver.
    QSqlDatabase database() const;
    bool isOpen() const;
    // Closes it and keeps the name for the next open.
    void close();

private:
    QString m_driver;
    QString m_name;
};
