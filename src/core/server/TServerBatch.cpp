#include "server/TServerBatch.h"

#include <map>
#include <vector>

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include "archive/ArchiveSchema.h"
#include "archive/TArchiveChain.h"
#include "server/PgArray.h"
#include "server/ServerChain.h"
#include "server/ServerConfig.h"
#include "text/ChainStrings.h"

namespace {

using Type = PgArray::Type;

Type typeOf(TArchiveChain::Field f)
{
    switch (f) {
    case TArchiveChain::Field::Text:
        return Type::Text;
    case TArchiveChain::Field::BigInt:
        return Type::BigInt;
    case TArchiveChain::Field::Integer:
        return Type::Integer;
    case TArchiveChain::Field::Real:
        return Type::Double;
    case TArchiveChain::Field::Bytes:
        break;
    }
    return Type::Bytes;
}

// The hashed fields, then the folded label the search looks in and the two hashes.
std::vector<std::pair<QString, Type>> columns()
{
    std::vector<std::pair<QString, Type>> out;
    for (const TArchiveChain::Column &c : TArchiveChain::fields())
        out.emplace_back(c.name, typeOf(c.field));
    out.emplace_back(QStringLiteral("folded"), Type::Text);
    out.emplace_back(QStringLiteral("prev"), Type::Bytes);
    out.emplace_back(QStringLiteral("hash"), Type::Bytes);
    out.emplace_back(QStringLiteral("limits_checked"), Type::Integer);
    out.emplace_back(QStringLiteral("limits_outside"), Type::Integer);
    return out;
}

// The limits a result was judged by, read after the chain's columns.
const QString MarkColumns = QStringLiteral(
    "(SELECT m.checked FROM result_marks m WHERE m.id = r.id), "
    "(SELECT m.outside FROM result_marks m WHERE m.id = r.id)");

// The whole batch in one statement, one array parameter per column, in the batch's order, so
// that each record finds the one before it already in place.
QString insertSql()
{
    QStringList names;
    QStringList arrays;
    for (const auto &[name, type] : columns()) {
        names << name;
        arrays << QStringLiteral("CAST(? AS %1)").arg(PgArray::sqlType(type));
    }
    const QString list = names.join(QStringLiteral(", "));
    return QStringLiteral("INSERT INTO reg01_records (%1) SELECT %1 FROM unnest(%2) "
                          "WITH ORDINALITY AS u (%1, ord) ORDER BY ord")
        .arg(list, arrays.join(QStringLiteral(", ")));
}

int fieldAt(const char *name)
{
    const auto &all = TArchiveChain::fields();
    for (int k = 0; k < int(all.size()); ++k) {
        if (all[size_t(k)].name == QLatin1String(name))
            return k;
    }
    return -1;
}

QString firstLine(const QSqlError &e)
{
    QString text = e.databaseText().trimmed();
    if (text.isEmpty())
        text = e.text().trimmed();
    return ServerConfig::redacted(text.section(QLatin1Char('\n'), 0, 0));
}

struct Span
{
    qint64 low = 0;
    qint64 high = 0;
    qint64 count = 0;
    QByteArray lastHash;
};

} // namespace

TServerBatch::TServerBatch(const QString &localConnection, const QString &serverConnection)
    : m_local(localConnection)
    , m_server(serverConnection)
{}

QString TServerBatch::serverError(const QSqlError &e, const QString &station)
{
    const QString code = e.nativeErrorCode();
    static const QRegularExpression which(
        QStringLiteral("record (\\d+) of station (.*) (is|does)"));
    const QRegularExpressionMatch m = which.match(e.databaseText());
    if (code == ServerChain::ConflictState && m.hasMatch())
        return Str::ServerConflict.arg(m.captured(2), m.captured(1));
    if (code == ServerChain::ChainState && m.hasMatch())
        return Str::ServerRefusedChain.arg(m.captured(2), m.captured(1));
    if (code == ServerChain::PolicyState && e.databaseText().contains(QStringLiteral("policy")))
        return Str::ServerNotPermitted.arg(station);
    return firstLine(e);
}

int TServerBatch::send(QSqlQuery &read, qint64 *lastId, ServerError *error)
{
    const int n = int(TArchiveChain::fields().size());
    static const int kindAt = fieldAt("kind");
    static const int labelAt = fieldAt("label");
    static const int newTextAt = fieldAt("new_text");
    const auto cols = columns();
    std::vector<PgArray> arrays;
    for (const auto &c : cols)
        arrays.emplace_back(c.second);
    std::map<QString, Span> spans;
    QString firstStation;
    int rows = 0;
    m_undecided.clear();
    m_passed = 0;
    while (read.next()) {
        const std::vector<QVariant> fields = TArchiveChain::rowFields(read, 1);
        if (m_stations && m_stations->active) {
            const QString station = fields[0].toString();
            if (m_stations->held.count(station) > 0) {
                *lastId = read.value(0).toLongLong();
                ++m_passed;
                continue;
            }
            if (m_stations->sending.count(station) == 0) {
                m_undecided = station;
                break;
            }
        }
        const QByteArray prev = read.value(1 + n).toByteArray();
        const QByteArray hash = read.value(2 + n).toByteArray();
        const qint64 seq = fields[1].toLongLong();
        const QByteArray before = seq == 1 ? TArchiveChain::start()
                                           : read.value(3 + n).toByteArray();
        if (hash.size() != TArchiveChain::HashSize || prev != before
            || hash != TArchiveChain::hash(prev, fields)) {
            if (rows == 0) {
                *error = ServerError::server(
                    Str::ServerChainBroken.arg(fields[0].toString()).arg(seq));
                return -1;
            }
            break; // what came before the break goes
        }
        for (int c = 0; c < n; ++c)
            arrays[size_t(c)].append(fields[size_t(c)]);
        const bool result = fields[size_t(kindAt)].toString() == QLatin1String("result");
        const QVariant label = fields[size_t(result ? labelAt : newTextAt)];
        arrays[size_t(n)].append(
            label.isNull() ? QVariant() : QVariant(ArchiveSchema::foldLabel(label.toString())));
        arrays[size_t(n + 1)].append(prev);
        arrays[size_t(n + 2)].append(hash);
        arrays[size_t(n + 3)].append(read.value(4 + n));
        arrays[size_t(n + 4)].append(read.value(5 + n));
        const QString station = fields[0].toString();
        if (rows++ == 0)
            firstStation = station;
        Span &s = spans[station];
        s.low = s.count == 0 ? seq : std::min(s.low, seq);
        s.high = std::max(s.high, seq);
        ++s.count;
        if (seq == s.high)
            s.lastHash = hash;
        *lastId = read.value(0).toLongLong();
    }
    read.finish();
    if (rows == 0)
        return 0;
    QSqlDatabase server = QSqlDatabase::database(m_server, false);
    QSqlQuery insert(server);
    if (!insert.prepare(insertSql())) {
        *error = ServerError::server(firstLine(insert.lastError()));
        return -1;
    }
    for (const PgArray &a : arrays)
        insert.addBindValue(a.literal());
    if (!insert.exec()) {
        *error = ServerError::server(serverError(insert.lastError(), firstStation));
        return -1;
    }
    // The server holds every number of each station's span, the last with our hash.
    QSqlQuery check(server);
    if (!check.prepare(QStringLiteral(
            "SELECT count(*), (SELECT hash FROM reg01_records WHERE station = ? AND seq = ?) "
            "FROM reg01_records WHERE station = ? AND seq BETWEEN ? AND ?"))) {
        *error = ServerError::server(firstLine(check.lastError()));
        return -1;
    }
    for (const auto &[station, s] : spans) {
        check.addBindValue(station);
        check.addBindValue(s.high);
        check.addBindValue(station);
        check.addBindValue(s.low);
        check.addBindValue(s.high);
        if (!check.exec() || !check.next()) {
            *error = ServerError::server(firstLine(check.lastError()));
            return -1;
        }
        if (check.value(0).toLongLong() != s.high - s.low + 1
            || check.value(1).toByteArray() != s.lastHash) {
            *error = ServerError::server(Str::ServerNotConfirmed.arg(station));
            return -1;
        }
    }
    return rows;
}

int TServerBatch::sendAfter(qint64 cursor, int limit, qint64 *lastId, ServerError *error)
{
    QSqlQuery read(QSqlDatabase::database(m_local, false));
    read.setForwardOnly(true);
    if (!read.prepare(
            TArchiveChain::selectSql(QStringLiteral("WHERE r.id > ? ORDER BY r.id LIMIT ?"), true,
                                     MarkColumns))) {
        *error = ServerError::archive(read.lastError());

        return -1;
    }
    read.addBindValue(cursor);
    read.addBindValue(limit);
    if (!read.exec()) {
        *error = ServerError::archive(read.lastError());

        return -1;
    }
    *lastId = cursor;
    return send(read, lastId, error);
}

int TServerBatch::resendMissing(const QString &station, int limit, ServerError *error)
{
    QSqlQuery gaps(QSqlDatabase::database(m_server, false));
    // Cheap first: a station whose count is its highest number lacks nothing.
    if (!gaps.prepare(
            QStringLiteral("SELECT s FROM (SELECT count(*) AS n, COALESCE(max(seq), 0) AS top "
                           "FROM reg01_records WHERE station = ?) h, generate_series(1, h.top) s "
                           "WHERE h.n < h.top AND NOT EXISTS (SELECT 1 FROM reg01_records "
                           "WHERE station = ? AND seq = s) ORDER BY s LIMIT ?"))) {
        *error = ServerError::server(firstLine(gaps.lastError()));
        return -1;
    }
    gaps.addBindValue(station);
    gaps.addBindValue(station);
    gaps.addBindValue(limit);
    if (!gaps.exec()) {
        *error = ServerError::server(firstLine(gaps.lastError()));
        return -1;
    }
    QStringList numbers;
    while (gaps.next())
        numbers << QString::number(gaps.value(0).toLongLong());
    if (numbers.isEmpty())
        return 0;
    QSqlQuery read(QSqlDatabase::database(m_local, false));
    read.setForwardOnly(true);
    if (!read.prepare(
            TArchiveChain::selectSql(QStringLiteral(
                                         "WHERE r.station = ? AND r.seq IN (%1) ORDER BY r.seq")
                                         .arg(numbers.join(QLatin1Char(','))),
                                     true, MarkColumns))) {
        *error = ServerError::archive(read.lastError());

        return -1;
    }
    read.addBindValue(station);
    if (!read.exec()) {
        *error = ServerError::archive(read.lastError());

        return -1;
    }
    qint64 lastId = 0;
    return send(read, &lastId, error);
}
