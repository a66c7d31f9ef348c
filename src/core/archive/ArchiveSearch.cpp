#include "archive/ArchiveSearch.h"

#include <algorithm>
#include <unordered_set>

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "archive/ArchiveSchema.h"
#include "archive/HitReading.h"

namespace {

// The trigram index answers parts of three characters or more; shorter ones are looked for
// in the folded labels row by row.
constexpr int kIndexedLength = 3;
// How a search goes:
// - a label part the index finds fewer times than kRareMatches: those results, sorted by time;
// - a more frequent part: its labels newest first (in the order they were archived) until
//   enough are found, or, when a time range makes that the shorter way, the range result by
//   result;
// - a part too short for the index: the same two ways, comparing the folded labels;
// - no label: the time index, newest first.
constexpr int kRareMatches = 5000;

// The columns HitReading reads, in its order.
QString hitColumns()
{
    return QStringLiteral("r.id, c.station, c.seq, r.at_ms, r.model, r.grp, r.label, "
                          "(SELECT l.new_text FROM label_changes l WHERE l.result_id = r.id "
                          "ORDER BY l.id DESC LIMIT 1), ")
           + ArchiveSchema::valueColumns().replace(QStringLiteral("v"), QStringLiteral("r.v"));
}

bool fail(TArchiveSearchResult &out, const QSqlQuery &q)
{
    out.ok = false;
    out.error = q.lastError().text();
    return false;
}

bool run(QSqlQuery &q, const QString &sql, const QVariantList &binds)
{
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        return false;
    for (const QVariant &v : binds)
        q.addBindValue(v);
    return q.exec();
}

qint64 scalar(const QSqlDatabase &db, const QString &sql, const QVariantList &binds,
              qint64 otherwise)
{
    QSqlQuery q(db);
    return run(q, sql, binds) && q.next() && !q.value(0).isNull() ? q.value(0).toLongLong()
                                                                  : otherwise;
}

// Where the time range lies among the results, about: results are numbered in the order they
// came, so the numbers of the first results at or after both ends tell it in two index steps.
struct Span
{
    qint64 inside = 0; // results in the range
    qint64 after = 0;  // results newer than the range
};

Span span(const QSqlDatabase &db, const TArchiveQuery &query)
{
    const QString first = QStringLiteral(
        "SELECT id FROM results WHERE at_ms >= ? ORDER BY at_ms LIMIT 1");
    const qint64 end = scalar(db, QStringLiteral("SELECT max(id) FROM results"), {}, 0) + 1;
    const qint64 lo = query.from.isValid()
                          ? scalar(db, first, {query.from.toMSecsSinceEpoch()}, end)
                          : 0;
    const qint64 hi = query.to.isValid() ? scalar(db, first, {query.to.toMSecsSinceEpoch()}, end)
                                         : end;
    return {std::max<qint64>(hi - lo, 0), end - hi};
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
    const QString folded = ArchiveSchema::foldLabel(query.label);
    const bool indexed = folded.toUcs4().size() >= kIndexedLength;
    const int limit = std::max(query.limit, 1);

    enum class Plan { Index, Time, Labels } plan = Plan::Time;
    QVariantList candidates; // the results the index found, for Plan::Index
    if (indexed) {
        QSqlQuery q(db);
        if (!run(q,
                 QStringLiteral("SELECT DISTINCT t.result_id FROM label_fts "
                                "JOIN label_texts t ON t.id = label_fts.rowid "
                                "WHERE label_fts MATCH ? LIMIT %1")
                     .arg(kRareMatches),
                 {ftsPhrase(folded)})) {
            fail(out, q);
            return out;
        }
        while (q.next())
            candidates << q.value(0);
        if (q.lastError().isValid()) {
            fail(out, q);
            return out;
        }
        if (candidates.isEmpty())
            return out;
        if (candidates.size() < kRareMatches) {
            plan = Plan::Index;
        } else if (query.from.isValid() || query.to.isValid()) {
            // The index finds matches oldest first: how far the first kRareMatches reach
            // tells how often the part occurs. Walking the labels newest first visits the
            // matches newer than the range; walking the range visits its results until
            // enough match.
            const Span where = span(db, query);
            const double density = double(kRareMatches)
                                   / double(std::max<qint64>(candidates.last().toLongLong(), 1));
            const double viaLabels = density * double(where.after);
            const double viaTime = std::min(double(where.inside), double(limit) / density);
            plan = viaLabels < viaTime ? Plan::Labels : Plan::Time;
        } else {
            plan = Plan::Labels;
        }
    } else if (!folded.isEmpty()) {
        const Span where = span(db, query);
        plan = where.inside > where.after ? Plan::Labels : Plan::Time;
    }

    QString sql = QStringLiteral("SELECT ") + hitColumns();
    QVariantList binds;
    if (plan == Plan::Labels && indexed) {
        // Labels newest first, in the order they were archived; stops once enough are found.
        sql += QStringLiteral(" FROM label_fts JOIN label_texts t ON t.id = label_fts.rowid "
                              "JOIN results r ON r.id = t.result_id "
                              "JOIN records c ON c.id = r.id WHERE label_fts MATCH ?");
        binds << ftsPhrase(folded);
    } else if (plan == Plan::Labels) {
        sql += QStringLiteral(" FROM label_texts t JOIN results r ON r.id = t.result_id "
                              "JOIN records c ON c.id = r.id WHERE instr(t.folded, ?) > 0");
        binds << folded;
    } else {
        sql += QStringLiteral(" FROM results r JOIN records c ON c.id = r.id WHERE 1");
        if (plan == Plan::Index) {
            // One placeholder per result found; the values themselves are bound.
            QString marks = QStringLiteral("?");
            marks += QStringLiteral(", ?").repeated(candidates.size() - 1);
            sql += QStringLiteral(" AND r.id IN (") + marks + QLatin1Char(')');
            binds << candidates;
        } else if (!folded.isEmpty()) {
            sql += QStringLiteral(" AND EXISTS (SELECT 1 FROM label_texts t "
                                  "WHERE t.result_id = r.id AND instr(t.folded, ?) > 0)");
            binds << folded;
        }
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
    sql += plan == Plan::Labels && indexed ? QStringLiteral(" ORDER BY label_fts.rowid DESC")
           : plan == Plan::Labels          ? QStringLiteral(" ORDER BY t.id DESC")
                                           : QStringLiteral(" ORDER BY r.at_ms DESC, r.id DESC");

    QSqlQuery q(db);
    if (!run(q, sql, binds)) {
        fail(out, q);
        return out;
    }
    // A result found under two of its labels counts once.
    std::unordered_set<qint64> seen;
    while (q.next()) {
        if (int(out.hits.size()) == limit) {
            out.truncated = true;
            break;
        }
        const qint64 id = q.value(HitReading::Id).toLongLong();
        if (seen.insert(id).second)
            out.hits.push_back(HitReading::hit(q));
    }
    if (q.lastError().isValid()) // a damaged page met half way
        fail(out, q);
    if (plan == Plan::Labels) {
        std::sort(out.hits.begin(), out.hits.end(), [](const auto &a, const auto &b) {
            return a.result.at != b.result.at ? a.result.at > b.result.at : a.id > b.id;
        });
    }
    return out;
}

bool loadDetails(const QSqlDatabase &db, std::vector<TArchiveHit> &hits, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const auto describe = [](const QSqlQuery &failed) { return failed.lastError().text(); };
    if (!q.prepare(QStringLiteral("SELECT port, device, date_text, time_text, cells, raw "
                                  "FROM results WHERE id = ?"))) {
        *error = describe(q);
        return false;
    }
    return HitReading::loadDetails(q, hits, error, describe);
}

std::vector<TArchiveLabelEntry> labelHistory(const QSqlDatabase &db, qint64 id, QString *error)
{
    std::vector<TArchiveLabelEntry> out;
    QSqlQuery q(db);
    if (!run(q,
             QStringLiteral("SELECT at_ms, row_no, old_text, new_text, os_user, file_name "
                            "FROM label_changes WHERE result_id = ? ORDER BY id"),
             {id})) {
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
    if (!run(q, QStringLiteral("SELECT model FROM results ORDER BY model LIMIT 1"), {}))
        return out;
    while (q.next() && out.size() < 1000) {
        const QString model = q.value(0).toString();
        out << model;
        if (!run(q,
                 QStringLiteral("SELECT model FROM results WHERE model > ? "
                                "ORDER BY model LIMIT 1"),
                 {model}))
            break;
    }
    return out;
}

} // namespace ArchiveSearch
