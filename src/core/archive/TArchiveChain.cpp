#include "archive/TArchiveChain.h"

#include <cstring>

#include <QCryptographicHash>
#include <QStringList>
#include <QUuid>
#include <QtEndian>

#include "archive/ArchiveRecords.h"

namespace {

std::vector<TArchiveChain::Column> makeFields()
{
    using F = TArchiveChain::Field;
    std::vector<TArchiveChain::Column> out = {
        {QStringLiteral("station"), F::Text},   {QStringLiteral("seq"), F::BigInt},
        {QStringLiteral("uid"), F::Text},       {QStringLiteral("kind"), F::Text},
        {QStringLiteral("at_ms"), F::BigInt},   {QStringLiteral("at_iso"), F::Text},
        {QStringLiteral("model"), F::Text},     {QStringLiteral("port"), F::Text},
        {QStringLiteral("device"), F::Integer}, {QStringLiteral("date_text"), F::Text},
        {QStringLiteral("time_text"), F::Text}, {QStringLiteral("grp"), F::Integer},
        {QStringLiteral("label"), F::Text},     {QStringLiteral("cells"), F::Text},
        {QStringLiteral("raw"), F::Bytes},
    };
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k)
        out.push_back({QStringLiteral("v%1").arg(k), F::Real});
    const std::vector<TArchiveChain::Column> tail = {
        {QStringLiteral("result_seq"), F::BigInt}, {QStringLiteral("row_no"), F::Integer},
        {QStringLiteral("old_text"), F::Text},     {QStringLiteral("new_text"), F::Text},
        {QStringLiteral("os_user"), F::Text},      {QStringLiteral("file_name"), F::Text},
        {QStringLiteral("event"), F::Text},        {QStringLiteral("row_count"), F::Integer},
    };
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

void appendLength(QByteArray &out, qsizetype n)
{
    char b[4];
    qToBigEndian(quint32(n), b);
    out.append(b, 4);
}

void append64(QByteArray &out, quint64 v)
{
    char b[8];
    qToBigEndian(v, b);
    out.append(b, 8);
}

} // namespace

const std::vector<TArchiveChain::Column> &TArchiveChain::fields()
{
    static const std::vector<Column> all = makeFields();
    return all;
}

QString TArchiveChain::selectSql(const QString &where, bool withChain, const QString &extra)
{
    QStringList values;
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k)
        values << QStringLiteral("res.v%1").arg(k);
    return QStringLiteral(
               "SELECT r.id, r.station, r.seq, r.uid, r.kind, "
               "COALESCE(res.at_ms, lc.at_ms, fe.at_ms), "
               "COALESCE(res.at_iso, lc.at_iso, fe.at_iso), res.model, res.port, res.device, "
               "res.date_text, res.time_text, res.grp, res.label, res.cells, res.raw, ")
           + values.join(QStringLiteral(", "))
           + QStringLiteral(", rr.seq, lc.row_no, lc.old_text, lc.new_text, lc.os_user, "
                            "COALESCE(lc.file_name, fe.file_name), fe.event, fe.row_count")
           + (withChain ? QStringLiteral(
                  ", ch.prev, ch.hash, "
                  "(SELECT pc.hash FROM records p JOIN record_chain pc ON pc.id = p.id "
                  "WHERE p.station = r.station AND p.seq = r.seq - 1) ")
                        : QStringLiteral(" "))
           + (extra.isEmpty() ? QString() : QStringLiteral(", %1 ").arg(extra))
           + QStringLiteral("FROM records r LEFT JOIN results res ON res.id = r.id "
                            "LEFT JOIN label_changes lc ON lc.id = r.id "
                            "LEFT JOIN records rr ON rr.id = lc.result_id "
                            "LEFT JOIN file_events fe ON fe.id = r.id ")
           + (withChain ? QStringLiteral("LEFT JOIN record_chain ch ON ch.id = r.id ") : QString())
           + where;
}

std::vector<QVariant> TArchiveChain::rowFields(const QSqlQuery &q, int first)
{
    const std::vector<Column> &all = fields();
    std::vector<QVariant> out;
    out.reserve(all.size());
    for (int k = 0; k < int(all.size()); ++k) {
        QVariant v = q.value(first + k);
        if (k == UidAt && !v.isNull())
            v = QUuid::fromRfc4122(v.toByteArray()).toString(QUuid::WithoutBraces);
        out.push_back(std::move(v));
    }
    return out;
}

QByteArray TArchiveChain::encode(const std::vector<QVariant> &values)
{
    const std::vector<Column> &all = fields();
    QByteArray out;
    out.reserve(1024);
    for (size_t k = 0; k < all.size(); ++k) {
        const QVariant v = k < values.size() ? values[k] : QVariant();
        if (v.isNull()) {
            out.append('\0');
            continue;
        }
        out.append('\1');
        switch (all[k].field) {
        case Field::Text: {
            QString s = v.toString();
            s.remove(QChar(0)); // the server keeps no NUL in a text
            const QByteArray utf8 = s.toUtf8();
            appendLength(out, utf8.size());
            out.append(utf8);
            break;
        }
        case Field::Bytes: {
            const QByteArray b = v.toByteArray();
            appendLength(out, b.size());
            out.append(b);
            break;
        }
        case Field::BigInt:
        case Field::Integer:
            append64(out, quint64(v.toLongLong()));
            break;
        case Field::Real: {
            const double d = v.toDouble() + 0.0; // minus zero is zero
            quint64 bits = 0;
            static_assert(sizeof bits == sizeof d);
            memcpy(&bits, &d, sizeof d);
            append64(out, bits);
            break;
        }
        }
    }
    return out;
}

QByteArray TArchiveChain::hash(const QByteArray &prev, const std::vector<QVariant> &values)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(prev);
    h.addData(encode(values));
    return h.result();
}

TArchiveChain::TArchiveChain(const QSqlDatabase &db)
    : m_read(db)
    , m_insert(db)
{}

bool TArchiveChain::prepare(QSqlError *error)
{
    m_read.setForwardOnly(true);
    if (m_read.prepare(selectSql(QStringLiteral("WHERE r.id = ?")))
        && m_insert.prepare(
            QStringLiteral("INSERT INTO record_chain (id, prev, hash) VALUES (?, ?, ?)")))
        return true;
    *error = m_read.lastError().isValid() ? m_read.lastError() : m_insert.lastError();
    return false;
}

bool TArchiveChain::link(qint64 id, QSqlError *error)
{
    m_read.addBindValue(id);
    if (!m_read.exec() || !m_read.next()) {
        *error = m_read.lastError();
        return false;
    }
    const int n = int(fields().size());
    const std::vector<QVariant> values = rowFields(m_read, 1);
    // A station's first record follows zeros; any other follows the hash before it, which
    // every record written by this version has.
    const QByteArray prev = values[1].toLongLong() <= 1 ? start()
                                                        : m_read.value(1 + n + 2).toByteArray();
    m_read.finish();
    m_insert.addBindValue(id);
    m_insert.addBindValue(prev);
    m_insert.addBindValue(hash(prev, values));
    if (m_insert.exec())
        return true;
    *error = m_insert.lastError();
    return false;
}
