#pragma once

// Results as the windows hand them to the archive, for the archive tests.

#include <QByteArray>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include "archive/ArchiveRecords.h"
#include "text/Strings.h"

// A first-family result: twelve values, the label in the first cell, a 106-byte reply.
inline TArchiveResult sampleResult(const QString &label, const QDateTime &at,
                                   const QString &model = Str::ModelTarvo)
{
    TArchiveResult r;
    r.model = model;
    r.port = QStringLiteral("ttyUSB0");
    r.deviceNumber = 7;
    r.at = at;
    r.dateText = at.date().toString(QStringLiteral("dd.MM.yyyy"));
    r.timeText = at.time().toString(QStringLiteral("HH:mm:ss"));
    r.group = 3;
    r.label = label;
    r.cells = QStringList{label, r.dateText, r.timeText, QStringLiteral("3")};
    for (int k = 0; k < 12; ++k) {
        r.values.push_back(k == 4 ? std::optional<double>() : 3.25 + k);
        r.cells << (k == 4 ? QString() : QString::number(3.25 + k, 'f', 2).replace('.', ','));
    }
    for (int i = 0; i < 106; ++i)
        r.raw.append(char(i * 7 + 1));
    return r;
}

inline QDateTime day(int d, int h = 10, int m = 0)
{
    return QDateTime(QDate(2025, 3, d), QTime(h, m));
}

// A second connection of the test's own, to look at the file behind the archive's back.
class RawArchive
{
public:
    explicit RawArchive(const QString &path)
        : m_name(QStringLiteral("raw-%1").arg(quintptr(this)))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        db.open();
    }
    ~RawArchive()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    RawArchive(const RawArchive &) = delete;
    RawArchive &operator=(const RawArchive &) = delete;

    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    bool exec(const QString &sql) const
    {
        QSqlQuery q(db());
        return q.exec(sql);
    }
    // The first column of the first row; invalid when there is none.
    QVariant value(const QString &sql) const
    {
        QSqlQuery q(db());
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }

private:
    QString m_name;
};
