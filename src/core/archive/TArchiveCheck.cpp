#include "archive/TArchiveCheck.h"

#include <algorithm>
#include <map>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "archive/ArchiveSchema.h"
#include "archive/TArchiveChain.h"

namespace {

// SQLite keeps a trigger's text as it was given; "IF NOT EXISTS" aside, ours must match.
QString normal(QString sql)
{
    sql.remove(QStringLiteral("IF NOT EXISTS "));
    return sql.simplified();
}

} // namespace

TArchiveCheck::TArchiveCheck(const QString &path)
    : m_path(path)
{}

TArchiveCheck::~TArchiveCheck() = default;

TArchiveCheckResult TArchiveCheck::run(const std::atomic_bool *stop)
{
    TArchiveCheckResult out;
    {
        QSqlDatabase db = m_connection.database();
        db.setDatabaseName(m_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        if (!db.isOpen() && !db.open()) {
            out.error = db.lastError().text();
            return out;
        }
        QSqlError error;
        if (ArchiveSchema::version(db, &error) < 3) {
            out.error = error.isValid() ? error.text() : QStringLiteral("no chain");
            return out;
        }
    }
    if (!restoreTriggers(out))
        return out;
    checkChain(out, stop);
    return out;
}

bool TArchiveCheck::restoreTriggers(TArchiveCheckResult &out)
{
    QSqlDatabase db = m_connection.database();
    QSqlQuery q(db);
    std::map<QString, QString> present;
    if (!q.exec(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'trigger'"))) {
        out.error = q.lastError().text();
        return false;
    }
    while (q.next())
        present[q.value(0).toString()] = q.value(1).toString();
    q.finish();
    for (const auto &[name, sql] : ArchiveSchema::guardTriggers()) {
        const auto it = present.find(name);
        if (it != present.end() && normal(it->second) == normal(sql))
            continue;
        // Dropped, or replaced by one that lets changes through: made again as it was.
        const bool ok = q.exec(QStringLiteral("BEGIN IMMEDIATE"))
                        && (it == present.end()
                            || q.exec(QStringLiteral("DROP TRIGGER \"%1\"").arg(name)))
                        && q.exec(sql) && q.exec(QStringLiteral("COMMIT"));
        if (!ok) {
            out.error = q.lastError().text();
            q.exec(QStringLiteral("ROLLBACK"));
            return false;
        }
        out.restored << name;
    }
    return true;
}

void TArchiveCheck::checkChain(TArchiveCheckResult &out, const std::atomic_bool *stop)
{
    const bool full = m_soundId == 0 || !out.restored.isEmpty() || !m_sinceFull.isValid()
                      || m_sinceFull.elapsed() >= fullEveryMs;
    if (full) {
        m_sound.clear();
        m_soundId = 0;
        m_soundCount = 0;
    }
    QSqlQuery q(m_connection.database());
    q.setForwardOnly(true);
    const QString order = QStringLiteral("ORDER BY r.station, r.seq");
    if (!q.exec(TArchiveChain::selectSql(
            full ? order : QStringLiteral("WHERE r.id > %1 %2").arg(m_soundId).arg(order)))) {
        out.error = q.lastError().text();
        return;
    }
    const int n = int(TArchiveChain::fields().size());
    std::map<QString, Sound> sound = m_sound;
    qint64 soundId = m_soundId;
    QString station;
    qint64 expected = 1;
    QByteArray prev;
    bool first = true;
    out.records = m_soundCount;
    while (q.next()) {
        if (stop && *stop) {
            out.error = QStringLiteral("stopped");
            return;
        }
        ++out.records;
        const std::vector<QVariant> fields = TArchiveChain::rowFields(q, 1);
        if (first || fields[0].toString() != station) {
            first = false;
            station = fields[0].toString();
            const auto known = sound.find(station);
            expected = known == sound.end() ? 1 : known->second.seq + 1;
            prev = known == sound.end() ? TArchiveChain::start() : known->second.hash;
        }
        const qint64 seq = fields[1].toLongLong();
        const QByteArray storedPrev = q.value(1 + n).toByteArray();
        const QByteArray storedHash = q.value(2 + n).toByteArray();
        // A number skipped is a record taken out; any other misfit is this record's.
        const qint64 bad = seq != expected ? expected
                           : storedPrev != prev || storedHash.size() != TArchiveChain::HashSize
                                   || storedHash != TArchiveChain::hash(storedPrev, fields)
                               ? seq
                               : 0;
        if (bad > 0) {
            out.broken = true;
            out.station = station;
            out.seq = bad;
            break;
        }
        prev = storedHash;
        sound[station] = {seq, storedHash};
        soundId = std::max(soundId, q.value(0).toLongLong());
        ++expected;
    }
    out.done = out.error.isEmpty();
    if (out.broken)
        return; // looked at whole again next time
    m_sound = std::move(sound);
    m_soundId = soundId;
    m_soundCount = out.records;
    if (full)
        m_sinceFull.start();
}
