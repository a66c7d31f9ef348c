#include "archive/DatabaseConnection.h"

#include <atomic>

namespace {

quint64 nextSerial()
{
    static std::atomic<quint64> serial = 0;
    return ++serial;
}

} // namespace

DatabaseConnection::DatabaseConnection(const QString &driver, const QString &prefix)
    : m_driver(driver)
    , m_name(QStringLiteral("%1-%2").arg(prefix).arg(nextSerial()))
{}

DatabaseConnection::~DatabaseConnection()
{
    if (!QSqlDatabase::contains(m_name))
        return;
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase DatabaseConnection::database() const
{
    return QSqlDatabase::contains(m_name) ? QSqlDatabase::database(m_name, false)
                                          : QSqlDatabase::addDatabase(m_driver, m_name);
}

bool DatabaseConnection::isOpen() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

void DatabaseConnection::close()
{
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::database(m_name, false).close();
}
