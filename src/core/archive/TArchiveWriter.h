#pragma once

// Writes archive records through one open connection, with statements prepared once. The
// caller frames the writes in a transaction (begin, commit or rollback).
//
// Each record carries a unique id made by the program when the record was taken, so writing
// a record again (after a commit whose answer was lost) adds nothing. Each record written is
// linked into its station's hash chain in the same transaction.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include "archive/ArchiveRecords.h"
#include "archive/TArchiveChain.h"

class TArchiveWriter
{
public:
    explicit TArchiveWriter(const QSqlDatabase &db);

    bool prepare(QSqlError *error);
    bool begin(QSqlError *error);
    bool commit(QSqlError *error);
    void rollback();

    bool writeResult(const QString &station, const QUuid &uid, const TArchiveResult &result,
                     QSqlError *error);
    bool writeLabelChange(const QString &station, const QUuid &uid,
                          const TArchiveLabelChange &change, QSqlError *error);
    bool writeFileEvent(const QString &station, const QUuid &uid, const TArchiveFileEvent &event,
                        QSqlError *error);

    // Local time with its offset from UTC, to the millisecond: "2024-05-01T10:15:30.123+03:00".
    static QString isoText(const QDateTime &at);

private:
    // The ledger row; its id, 0 when the record is already in the archive, -1 on error.
    qint64 writeRecord(const QString &station, const QUuid &uid, const char *kind, QSqlError *error);
    bool exec(QSqlQuery &q, QSqlError *error);

    QSqlDatabase m_db;
    QSqlQuery m_record;
    QSqlQuery m_result;
    QSqlQuery m_labelText;
    QSqlQuery m_marks;
    QSqlQuery m_labelChange;
    QSqlQuery m_changedText;
    QSqlQuery m_fileEvent;
    QSqlQuery m_resultStation;
    TArchiveChain m_chain;
};
