#include "archive/ArchiveViews.h"

#include <algorithm>

#include <QSqlQuery>
#include <QVariant>

#include "archive/ArchiveRecords.h"
#include "archive/ValueNames.h"
#include "text/Strings.h"

namespace {

// Tarvo's value titles: its grid's columns from the first value on.
constexpr int kFirstValueTitle = 5;

QString quoted(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

QString modelList(const TArchiveFamily &family)
{
    QStringList models;
    for (const QString &m : family.models)
        models << quoted(m);
    return models.join(QStringLiteral(", "));
}

// One column per value and one for its verdict; `value` and `verdict` are patterns with %1 the
// value's number and %2 its name.
QString valueColumns(const TArchiveFamily &family, const QString &value, const QString &verdict)
{
    const QStringList names = ValueNames::forTitles(family.titles);
    QString out;
    for (int k = 0; k < int(names.size()); ++k) {
        out += QStringLiteral(", ") + value.arg(k).arg(names[k]);
        out += QStringLiteral(", ") + verdict.arg(k).arg(names[k]);
    }
    return out;
}

bool run(QSqlQuery &q, const QString &sql, QSqlError *error)
{
    if (q.exec(sql))
        return true;
    *error = q.lastError();
    return false;
}

const QString Separator = QStringLiteral("\t");

} // namespace

namespace ArchiveViews {

TArchiveFamily tarvo()
{
    return {QStringLiteral("tarvo_results"),
            {Str::ModelTarvo},
            Str::TarvoTitles.mid(kFirstValueTitle)};
}

TArchiveFamily mirel(const QStringList &titles)
{
    QStringList values = titles;
    values.resize(ArchiveLimits::ValueCount);
    return {QStringLiteral("mirel_results"), {Str::ModelMirel, Str::ModelBestan}, values};
}

QString localSelect(const TArchiveFamily &family)
{
    return QStringLiteral(
               "SELECT r.id AS id, c.station AS station, c.seq AS seq, r.at_iso AS at, "
               "r.at_ms AS at_ms, r.model AS model, r.port AS port, r.device AS device, "
               "r.grp AS group_no, COALESCE((SELECT l.new_text FROM label_changes l "
               "WHERE l.result_id = r.id ORDER BY l.id DESC LIMIT 1), r.label) AS label, "
               "r.label AS first_label")
           + valueColumns(family, QStringLiteral("round(r.v%1, 2) AS %2"),
                          QStringLiteral("CASE WHEN (m.checked >> %1) & 1 "
                                         "THEN 1 - ((m.outside >> %1) & 1) END AS %2_ok"))
           + QStringLiteral(" FROM results r JOIN records c ON c.id = r.id "
                            "LEFT JOIN result_marks m ON m.id = r.id WHERE r.model IN (%1)")
                 .arg(modelList(family));
}

QString serverSelect(const TArchiveFamily &family)
{
    return QStringLiteral(
               "SELECT r.station, r.seq, to_timestamp(r.at_ms / 1000.0) AS at, r.model, "
               "r.port, r.device, r.grp AS group_no, COALESCE((SELECT l.new_text "
               "FROM reg01_records l WHERE l.kind = 'label' AND l.station = r.station "
               "AND l.result_seq = r.seq ORDER BY l.seq DESC LIMIT 1), r.label) AS label, "
               "r.label AS first_label")
           + valueColumns(family, QStringLiteral("round(r.v%1::numeric, 2) AS %2"),
                          QStringLiteral("CASE WHEN (r.limits_checked >> %1) & 1 = 1 "
                                         "THEN (r.limits_outside >> %1) & 1 = 0 END AS %2_ok"))
           + QStringLiteral(" FROM reg01_records r WHERE r.kind = 'result' AND r.model IN (%1)")
                 .arg(modelList(family));
}

bool ensureLocal(const QSqlDatabase &db, const TArchiveFamily &given, QSqlError *error)
{
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    TArchiveFamily family = given;
    // A window without titles keeps the names the view was given before.
    const bool untitled = std::all_of(family.titles.cbegin(), family.titles.cend(),
                                      [](const QString &t) { return t.trimmed().isEmpty(); });
    for (const TArchiveFamily &known : families(db)) {
        if (untitled && known.view == family.view)
            family = known;
    }
    QSqlQuery keep(db);
    keep.prepare(QStringLiteral("INSERT INTO archive_views (name, models, titles) VALUES (?, ?, ?) "
                                "ON CONFLICT (name) DO UPDATE SET models = excluded.models, "
                                "titles = excluded.titles"));
    keep.addBindValue(family.view);
    keep.addBindValue(family.models.join(Separator));
    keep.addBindValue(family.titles.join(Separator));
    bool ok = keep.exec();
    if (!ok)
        *error = keep.lastError();
    const QString made = QStringLiteral("CREATE VIEW %1 AS ").arg(family.view)
                         + localSelect(family);
    QSqlQuery now(db);
    now.prepare(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'view' AND name = ?"));
    now.addBindValue(family.view);
    const bool same = ok && now.exec() && now.next() && now.value(0).toString() == made;
    now.finish();
    if (ok && !same)
        ok = run(q, QStringLiteral("DROP VIEW IF EXISTS %1").arg(family.view), error)
             && run(q, made, error);
    ok = ok && run(q, QStringLiteral("COMMIT"), error);
    if (!ok)
        q.exec(QStringLiteral("ROLLBACK"));
    return ok;
}

bool ensureAt(const QString &path, const TArchiveFamily &family)
{
    static int serial = 0;
    const QString name = QStringLiteral("reg01-views-%1").arg(++serial);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=500"));
        QSqlError error;
        ok = db.open() && ensureLocal(db, family, &error);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

std::vector<TArchiveFamily> families(const QSqlDatabase &db)
{
    std::vector<TArchiveFamily> out;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT name, models, titles FROM archive_views ORDER BY name")))
        return out;
    while (q.next()) {
        TArchiveFamily f{q.value(0).toString(), q.value(1).toString().split(Separator),
                         q.value(2).toString().split(Separator)};
        // Only names a view can have: the table is the archive's, but a file can be edited.
        if (ValueNames::of(f.view) == f.view && !f.view.isEmpty())
            out.push_back(std::move(f));
    }
    return out;
}

bool ensureServer(const QSqlDatabase &db, const std::vector<TArchiveFamily> &families,
                  bool securityInvoker, QSqlError *error)
{
    QSqlQuery q(db);
    QSqlQuery held(db);
    QSqlQuery keep(db);
    if (!held.prepare(QStringLiteral("SELECT definition FROM reg01_views "
                                     "WHERE name = ? AND to_regclass(name) IS NOT NULL"))
        || !keep.prepare(QStringLiteral("INSERT INTO reg01_views (name, definition) VALUES (?, ?) "
                                        "ON CONFLICT (name) DO UPDATE SET "
                                        "definition = excluded.definition"))) {
        *error = held.lastError().isValid() ? held.lastError() : keep.lastError();
        return false;
    }
    for (const TArchiveFamily &family : families) {
        const QString name = QStringLiteral("reg01_") + family.view;
        // The view sees the rows the reader may see, not those of its maker.
        const QString made = QStringLiteral("CREATE VIEW %1 %2AS ")
                                 .arg(name, securityInvoker
                                                ? QStringLiteral("WITH (security_invoker = true) ")
                                                : QString())
                             + serverSelect(family);
        held.addBindValue(name);
        if (!held.exec()) {
            *error = held.lastError();
            return false;
        }
        if (held.next() && held.value(0).toString() == made)
            continue;
        held.finish();
        keep.addBindValue(name);
        keep.addBindValue(made);
        if (!run(q, QStringLiteral("DROP VIEW IF EXISTS %1").arg(name), error)
            || !run(q, made, error) || !keep.exec()) {
            if (keep.lastError().isValid())
                *error = keep.lastError();
            return false;
        }
    }
    return true;
}

} // namespace ArchiveViews
