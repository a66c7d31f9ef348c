#include "archive/ArchiveSearch.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "archive/ArchiveSchema.h"

namespace {

// The trigram index answers parts of three characters or more; shorter ones are looked for
// in the folded labels row by row.
constexpr int kIndexedLength = 3;

// Columns of the hit, in this order.
enum Col { Id, Station, Seq, AtMs, Model, Port, Device, DateText, TimeText, Group, Label, Cells,
           CurrentLabel, FirstValue };

TArchiveHit readHit(const QSqlQuery &q)
{
    TArchiveHit hit;
    hit.id = q.value(Id).toLongLong();
    hit.station = q.value(Station).toString();
    hit.seq = q.value(Seq).toLongLong();
    TArchiveResult &r = hit.result;
    r.at = QDateTime::fromMSecsSinceEpoch(q.value(AtMs).toLongLong());
    r.model = q.value(Model).toString();
    r.port = q.value(Port).toString();
    r.deviceNumber = q.value(Device).toInt();
    r.dateText = q.value(DateText).toString();
    r.timeText = q.value(TimeText).toString();
    r.group = q.value(Group).toInt();
    r.label = q.value(Label).toString();
    r.cells = q.value(Cells).toString().split(QLatin1Char('\t'));
    const QVariant current = q.value(CurrentLabel);
    hit.edited = !current.isNull();
    hit.label = hit.edited ? current.toString() : r.label;
    int last = -1;
    r.values.resize(ArchiveLimits::ValueCount);
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k) {
        const QVariant v = q.value(FirstValue + k);
        if (!v.isNull()) {
            r.values[k] = v.toDouble();
            last = k;
        }
    }
    r.values.resize(last + 1);
    return hit;
}

} // namespace

namespace ArchiveSearch {

QString ftsPhrase(const QString &folded)
{
    QString quoted = folded;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

TArchiveSearchResult search(const QSqlDatabase &db, const TArchiveQuery &query)
{
    TArchiveSearchResult out;
    QString sql = QStringLiteral(
        "SELECT r.id, c.station, c.seq, r.at_ms, r.model, r.port, r.device, r.date_text, "
        "r.time_text, r.grp, r.label, r.cells, "
        "(SELECT l.new_text FROM label_changes l WHERE l.result_id = r.id "
        "ORDER BY l.id DESC LIMIT 1), ");
    sql += ArchiveSchema::valueColumns().replace(QStringLiteral("v"), QStringLiteral("r.v"));
    sql += QStringLiteral(" FROM results r JOIN records c ON c.id = r.id WHERE 1");
    QVariantList binds;
    const QString folded = ArchiveSchema::foldLabel(query.label);
    if (folded.toUcs4().size() >= kIndexedLength) {
        sql += QStringLiteral(" AND r.id IN (SELECT t.result_id FROM label_texts t "
                              "WHERE t.id IN (SELECT rowid FROM label_fts "
                              "WHERE label_fts MATCH ?))");
        binds << ftsPhrase(folded);
    } else if (!folded.isEmpty()) {
        sql += QStringLiteral(" AND EXISTS (SELECT 1 FROM label_texts t "
                              "WHERE t.result_id = r.id AND instr(t.folded, ?) > 0)");
        binds << folded;
    }
    if (query.from.isValid()) {
        sql += QStringLiteral(" AND r.at_ms >= ?");
        binds << query.from.toMSecsSinceEpoch();
    }
    if (query.to.isValid()) {
        sql += QStringLiteral(" AND r.at_ms < ?");
        binds << query.to.toMSecsSinceEpoch();
    }
    if (!query.model.isEmpty()) {
        sql += QStringLiteral(" AND r.model = ?");
        binds << query.model;
    }
    sql += QStringLiteral(" ORDER BY r.at_ms DESC, r.id DESC LIMIT ?");
    const int limit = std::max(query.limit, 1);
    binds << limit + 1;

    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        out.ok = false;
        out.error = q.lastError().text();
        return out;
    }
    for (const QVariant &v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        out.ok = false;
        out.error = q.lastError().text();
        return out;
    }
    while (q.next()) {
        if (int(out.hits.size()) == limit) {
            out.truncated = true;
            break;
        }
        out.hits.push_back(readHit(q));
    }
    if (q.lastError().isValid()) { // a damaged page met half way
        out.ok = false;
        out.error = q.lastError().text();
    }
    return out;
}

std::vector<TArchiveLabelEntry> labelHistory(const QSqlDatabase &db, qint64 id, QString *error)
{
    std::vector<TArchiveLabelEntry> out;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT at_ms, row_no, old_text, new_text, os_user, file_name "
                                  "FROM label_changes WHERE result_id = ? ORDER BY id"))) {
        *error = q.lastError().text();
        return out;
    }
    q.addBindValue(id);
    if (!q.exec()) {
        *error = q.lastError().text();
        return out;
    }
    while (q.next()) {
        TArchiveLabelEntry e;
        e.at = QDateTime::fromMSecsSinceEpoch(q.value(0).toLongLong());
        e.row = q.value(1).toInt();
        e.oldText = q.value(2).toString();
        e.newText = q.value(3).toString();
        e.osUser = q.value(4).toString();
        e.fileName = q.value(5).toString();
        out.push_back(e);
    }
    if (q.lastError().isValid())
        *error = q.lastError().text();
    return out;
}

QStringList models(const QSqlDatabase &db)
{
    // One index step per model instead of a pass over every result.
    QStringList out;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT model FROM results ORDER BY model LIMIT 1")))
        return out;
    while (q.next() && out.size() < 1000) {
        const QString model = q.value(0).toString();
        out << model;
        q.finish();
        if (!q.prepare(QStringLiteral(
                "SELECT model FROM results WHERE model > ? ORDER BY model LIMIT 1")))
            break;
        q.addBindValue(model);
        if (!q.exec())
            break;
    }
    return out;
}

} // namespace ArchiveSearch
