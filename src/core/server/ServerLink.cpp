#include "server/ServerLink.h"

#include <algorithm>

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>
#include <QVariant>

#include "archive/ArchiveRecords.h"
#include "archive/ArchiveSchema.h"
#include "server/ServerConfig.h"
#include "server/ServerSchema.h"

namespace {

constexpr int ColumnCount = 24 + ArchiveLimits::ValueCount;

// The server's columns in the order a local row is read and sent.
QString serverColumns()
{
    QStringList names = {"station", "seq",    "uid",    "kind",      "at_ms",     "at_iso",
                         "model",   "port",   "device", "date_text", "time_text", "grp",
                         "label",   "folded", "cells",  "raw"};
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k)
        names << QStringLiteral("v%1").arg(k);
    names << QStringList{"result_seq", "row_no",    "old_text", "new_text",
                         "os_user",    "file_name", "event",    "row_count"};
    return names.join(QStringLiteral(", "));
}

// Every local record after an id with what it carries, whatever its kind.
QString localSelect()
{
    QStringList values;
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k)
        values << QStringLiteral("res.v%1").arg(k);
    return QStringLiteral(
               "SELECT r.id, r.station, r.seq, r.uid, r.kind, "
               "COALESCE(res.at_ms, lc.at_ms, fe.at_ms), "
               "COALESCE(res.at_iso, lc.at_iso, fe.at_iso), res.model, res.port, res.device, "
               "res.date_text, res.time_text, res.grp, res.label, lc.new_text, res.cells, "
               "res.raw, ")
           + values.join(QStringLiteral(", "))
           + QStringLiteral(", rr.seq, lc.row_no, lc.old_text, lc.new_text, lc.os_user, "
                            "COALESCE(lc.file_name, fe.file_name), fe.event, fe.row_count "
                            "FROM records r LEFT JOIN results res ON res.id = r.id "
                            "LEFT JOIN label_changes lc ON lc.id = r.id "
                            "LEFT JOIN records rr ON rr.id = lc.result_id "
                            "LEFT JOIN file_events fe ON fe.id = r.id "
                            "WHERE r.id > ? ORDER BY r.id LIMIT ?");
}

QString firstLine(const QSqlError &e)
{
    QString text = e.databaseText().trimmed();
    if (text.isEmpty())
        text = e.text().trimmed();
    return ServerConfig::redacted(text.section(QLatin1Char('\n'), 0, 0));
}

} // namespace

ServerLink::ServerLink(const QString &archivePath, const QString &conninfo, const Limits &limits)
    : m_archivePath(archivePath)
    , m_conninfo(ServerConfig::withoutPassword(conninfo))
    , m_limits(limits)
    , m_localName(QStringLiteral("server-local-%1").arg(quintptr(this)))
    , m_serverName(QStringLiteral("server-pg-%1").arg(quintptr(this)))
{}

ServerLink::~ServerLink() = default;

void ServerLink::start()
{
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &ServerLink::turn);
    schedule(0);
}

void ServerLink::nudge()
{
    if (m_timer && m_retryMs == 0)
        schedule(0);
}

void ServerLink::shutdown()
{
    m_stopping = true;
    delete m_timer;
    m_timer = nullptr;
    for (const QString &name : {m_localName, m_serverName}) {
        if (QSqlDatabase::contains(name)) {
            QSqlDatabase::database(name, false).close();
            QSqlDatabase::removeDatabase(name);
        }
    }
}

void ServerLink::schedule(int ms)
{
    if (m_timer && !m_stopping)
        m_timer->start(ms);
}

bool ServerLink::connectLocal(QString *error)
{
    if (QSqlDatabase::contains(m_localName) && QSqlDatabase::database(m_localName, false).isOpen())
        return true;
    QSqlDatabase db = QSqlDatabase::contains(m_localName)
                          ? QSqlDatabase::database(m_localName, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_localName);
    db.setDatabaseName(m_archivePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000;QSQLITE_OPEN_READONLY"));
    if (db.open())
        return true;
    *error = QStringLiteral("архив: ") + db.lastError().text();
    return false;
}

bool ServerLink::connectServer(QString *error)
{
    QSqlDatabase db = QSqlDatabase::contains(m_serverName)
                          ? QSqlDatabase::database(m_serverName, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_serverName);
    if (!db.isValid()) {
        *error = QStringLiteral("нет драйвера PostgreSQL");
        return false;
    }
    if (db.isOpen() && m_serverReady)
        return true;
    // The driver adds the string to its own; its ';' would become spaces.
    db.setConnectOptions(m_conninfo);
    QSqlError e;
    if (!db.open() || !ServerSchema::migrate(db, &e)) {
        *error = firstLine(db.lastError().isValid() ? db.lastError() : e);
        if (e.isValid())
            *error = firstLine(e);
        db.close();
        return false;
    }
    m_serverReady = true;
    m_cursorKnown = false;
    return true;
}

void ServerLink::dropServer()
{
    m_serverReady = false;
    m_cursorKnown = false;
    m_insertSql.clear();
    if (QSqlDatabase::contains(m_serverName))
        QSqlDatabase::database(m_serverName, false).close();
}

// The first local record the server lacks: per station, the one after the highest number the
// server holds. Records before it of other stations are already there and are skipped.
bool ServerLink::findCursor(QString *error)
{
    QSqlDatabase local = QSqlDatabase::database(m_localName, false);
    QSqlQuery stations(local);
    stations.setForwardOnly(true);
    if (!stations.exec(QStringLiteral("SELECT DISTINCT station FROM records"))) {
        *error = QStringLiteral("архив: ") + stations.lastError().text();
        return false;
    }
    QSqlQuery high(QSqlDatabase::database(m_serverName, false));
    QSqlQuery first(local);
    if (!high.prepare(QStringLiteral("SELECT COALESCE(max(seq), 0) FROM reg01_records "
                                     "WHERE station = ?"))
        || !first.prepare(QStringLiteral("SELECT COALESCE(min(id) - 1, ?) FROM records "
                                         "WHERE station = ? AND seq > ?"))) {
        *error = firstLine(high.lastError());
        return false;
    }
    qint64 cursor = -1;
    const qint64 top = localCount(-1);
    while (stations.next()) {
        high.addBindValue(stations.value(0));
        if (!high.exec() || !high.next()) {
            *error = firstLine(high.lastError());
            return false;
        }
        first.addBindValue(top);
        first.addBindValue(stations.value(0));
        first.addBindValue(high.value(0));
        if (!first.exec() || !first.next())
            return false;
        const qint64 at = first.value(0).toLongLong();
        cursor = cursor < 0 ? at : std::min(cursor, at);
    }
    m_cursor = std::max<qint64>(cursor, 0);
    m_cursorKnown = true;
    return true;
}

bool ServerLink::prepareInsert(QSqlQuery &insert, int rows)
{
    auto it = m_insertSql.find(rows);
    if (it == m_insertSql.end()) {
        QStringList marks(ColumnCount, QStringLiteral("?"));
        const QString row = QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
        QStringList all(rows, row);
        it = m_insertSql
                 .emplace(rows, QStringLiteral("INSERT INTO reg01_records (") + serverColumns()
                                    + QStringLiteral(") VALUES ") + all.join(QLatin1Char(','))
                                    + QStringLiteral(" ON CONFLICT (station, seq) DO NOTHING"))
                 .first;
    }
    return insert.prepare(it->second);
}

int ServerLink::sendBatch(QString *error)
{
    QSqlDatabase local = QSqlDatabase::database(m_localName, false);
    QSqlQuery read(local);
    read.setForwardOnly(true);
    if (!read.prepare(localSelect())) {
        *error = QStringLiteral("архив: ") + read.lastError().text();
        return -1;
    }
    read.addBindValue(m_cursor);
    read.addBindValue(m_limits.batch);
    if (!read.exec()) {
        *error = QStringLiteral("архив: ") + read.lastError().text();
        return -1;
    }
    std::vector<QVariantList> rows;
    qint64 lastId = m_cursor;
    while (read.next()) {
        QVariantList row;
        row.reserve(ColumnCount);
        lastId = read.value(0).toLongLong();
        for (int c = 1; c <= ColumnCount; ++c)
            row << read.value(c);
        row[2] = QUuid::fromRfc4122(row[2].toByteArray()).toString(QUuid::WithoutBraces);
        // The folded text the search looks in: the label, or the new label of a change.
        const QVariant label = row[3].toString() == QLatin1String("result") ? row[12] : row[13];
        row[13] = label.isNull() ? QVariant()
                                 : QVariant(ArchiveSchema::foldLabel(label.toString()));
        rows.push_back(std::move(row));
    }
    read.finish();
    if (rows.empty())
        return 0;
    QSqlDatabase server = QSqlDatabase::database(m_serverName, false);
    QSqlQuery insert(server);
    if (!prepareInsert(insert, int(rows.size()))) {
        *error = firstLine(insert.lastError());
        return -1;
    }
    for (const QVariantList &row : rows) {
        for (const QVariant &v : row)
            insert.addBindValue(v);
    }
    if (!insert.exec()) {
        *error = firstLine(insert.lastError());
        return -1;
    }
    m_cursor = lastId;
    return int(rows.size());
}

// Records are never removed and numbered in writing order, so what lies after an id is the
// highest id less that one (a write rolled back may leave a gap: the count is then a little
// high). afterId < 0: the highest id.
qint64 ServerLink::localCount(qint64 afterId)
{
    QSqlQuery q(QSqlDatabase::database(m_localName, false));
    const qint64 top = q.exec(QStringLiteral("SELECT COALESCE(max(id), 0) FROM records"))
                               && q.next()
                           ? q.value(0).toLongLong()
                           : 0;
    return afterId < 0 ? top : std::max<qint64>(top - afterId, 0);
}

void ServerLink::turn()
{
    if (m_stopping)
        return;
    QString error;
    if (!connectLocal(&error)) {
        emit progress(false, 0, error);
        schedule(m_limits.longestRetryMs);
        return;
    }
    const qint64 top = localCount(-1);
    if (m_serverReady && m_cursorKnown && top == m_lastSeen && m_cursor >= top) {
        schedule(m_limits.idleMs);
        return;
    }
    bool ok = connectServer(&error) && (m_cursorKnown || findCursor(&error));
    int sent = 0;
    while (ok && !m_stopping) {
        sent = sendBatch(&error);
        if (sent <= 0)
            break;
        emit progress(true, localCount(m_cursor), QString());
    }
    ok = ok && sent == 0;
    if (ok) {
        m_lastSeen = top;
        m_retryMs = 0;
        emit progress(true, localCount(m_cursor), QString());
        schedule(m_limits.idleMs);
        return;
    }
    if (error.startsWith(QStringLiteral("архив: "))) {
        QSqlDatabase::database(m_localName, false).close();
    } else {
        dropServer();
    }
    emit progress(false, localCount(m_cursor), error);
    m_retryMs = m_retryMs == 0 ? m_limits.firstRetryMs
                               : std::min(m_retryMs * 2, m_limits.longestRetryMs);
    schedule(m_retryMs);
}
