#pragma once

// The archive's tamper evidence. Every record, of any kind, carries a SHA-256 hash over the
// hash of its station's record before it (32 zero bytes before a station's first record) and
// the record's canonical bytes; the server holds the same two hashes and recomputes them on
// insert, so a record changed anywhere after it was written no longer fits its chain.
//
// The canonical bytes are the record's fields in the order of fields(), each one:
//     00                          the field is missing (NULL)
//     01 <length:4> <UTF-8>       a text, the length big-endian, NUL characters left out
//     01 <length:4> <bytes>       bytes
//     01 <value:8>                a whole number, big-endian two's complement
//     01 <IEEE 754 double:8>      a number, big-endian, minus zero written as zero
// The uid is its text form ("xxxxxxxx-xxxx-…", lower case). The server's reg01_record_bytes()
// writes exactly these bytes.
//
// SHA-256 rather than the BLAKE2b of the file stamps: PostgreSQL has sha256() built in, so
// the server and an auditor's query recompute every hash from the stored columns instead of
// only comparing hashes they are told.

#include <vector>

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

class TArchiveChain
{
public:
    enum class Field { Text, BigInt, Integer, Real, Bytes };
    struct Column
    {
        QString name; // the server's column
        Field field;
    };
    static constexpr int HashSize = 32;
    static constexpr int UidAt = 2; // the uid, a blob here and a text on the server

    // The hashed fields in their order.
    static const std::vector<Column> &fields();
    // What a station's first record follows.
    static QByteArray start() { return QByteArray(HashSize, '\0'); }

    // "SELECT r.id, <fields>, <stored prev>, <stored hash>, <the hash of seq - 1> FROM ...":
    // every record with what it carries; `where` follows the joins (e.g. "WHERE r.id = ?").
    // Without the chain, the three hash columns are left out. `extra` are further columns,
    // after all of those ("r" is the record, "res" its result).
    static QString selectSql(const QString &where, bool withChain = true,
                             const QString &extra = QString());
    // The fields of a row read by selectSql(), from column `first` on, as they are hashed.
    static std::vector<QVariant> rowFields(const QSqlQuery &q, int first = 1);

    static QByteArray encode(const std::vector<QVariant> &fields);
    static QByteArray hash(const QByteArray &prev, const std::vector<QVariant> &fields);

    // Links the record just written (its ledger id) to its station's chain. Needs the
    // connection's write transaction.
    explicit TArchiveChain(const QSqlDatabase &db);
    bool prepare(QSqlError *error);
    bool link(qint64 id, QSqlError *error);

private:
    QSqlQuery m_read;
    QSqlQuery m_insert;
};
