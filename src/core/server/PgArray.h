#pragma once

// One column of a batch written as a PostgreSQL array literal ("{1,NULL,\"a b\"}"), so that a
// whole batch goes to the server as one prepared statement with one parameter per column:
//     INSERT ... SELECT * FROM unnest(CAST(? AS bigint[]), CAST(? AS text[]), ...)
// The literal is a value bound to the statement, never part of its text.

#include <QString>
#include <QVariant>

class PgArray
{
public:
    enum class Type { Text, BigInt, Integer, Double, Bytes };

    explicit PgArray(Type type)
        : m_type(type)
    {}

    // Appends one element; a null, or a value that is not of the column's type, is NULL.
    void append(const QVariant &value);
    void clear();
    int size() const { return m_count; }
    // The literal of the elements so far.
    QString literal() const;
    // The element type as the statement names it: "text[]", "bigint[]", ...
    static QString sqlType(Type type);

private:
    void separate();

    Type m_type;
    QString m_text;
    int m_count = 0;
};
