#include "qc/QcArchive.h"

#include <QSqlQuery>
#include <QVariant>

#include "archive/TArchiveWriter.h"

namespace QcArchive {

namespace {

bool exec(QSqlQuery &q, QSqlError *error)
{
    if (q.exec())
        return true;
    *error = q.lastError();
    return false;
}

bool prepare(QSqlQuery &q, const QString &sql, QSqlError *error)
{
    if (q.prepare(sql))
        return true;
    *error = q.lastError();
    return false;
}

QString verdictOf(QcState::Kind kind)
{
    return QString::fromLatin1(kind == QcState::Rejection ? "rejection"
                               : kind == QcState::Warning ? "warning"
                                                          : "in control");
}

// A text for a NOT NULL column: an empty QString binds as NULL.
QString text(const QString &s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

QVariant msOf(const QDateTime &at)
{
    return at.isValid() ? QVariant(at.toMSecsSinceEpoch())
                        : QVariant(QMetaType::fromType<qint64>());
}

} // namespace

qint64 writeEvaluation(const QSqlDatabase &db, const QcState &state,
                       const ControlMaterial &material, const QUuid &control, const QDateTime &now,
                       QSqlError *error)
{
    QSqlQuery q(db);
    if (!prepare(q,
                 QStringLiteral("INSERT INTO qc_evaluations (at_ms, at_iso, result_uid, "
                                "control_ms, material, lot, verdict) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                 error))
        return -1;
    q.addBindValue(now.toMSecsSinceEpoch());
    q.addBindValue(TArchiveWriter::isoText(now));
    q.addBindValue(control.isNull() ? QVariant(QMetaType::fromType<QByteArray>())
                                    : QVariant(control.toRfc4122()));
    q.addBindValue(state.at.toMSecsSinceEpoch());
    q.addBindValue(text(material.name));
    q.addBindValue(text(material.lot));
    q.addBindValue(verdictOf(state.kind));
    if (!exec(q, error))
        return -1;
    const qint64 id = q.lastInsertId().toLongLong();
    QSqlQuery col(db);
    if (!prepare(col,
                 QStringLiteral("INSERT INTO qc_evaluation_columns (evaluation_id, col, value, z, "
                                "rules) VALUES (?, ?, ?, ?, ?)"),
                 error))
        return -1;
    for (int c : material.columns()) {
        const ControlTarget t = material.target(c);
        const auto v = state.values.constFind(c);
        QString rules;
        for (const auto &reason : state.reasons) {
            if (reason.first == c)
                rules = reason.second;
        }
        col.addBindValue(id);
        col.addBindValue(c);
        col.addBindValue(v == state.values.constEnd() ? QVariant(QMetaType::fromType<double>())
                                                      : QVariant(*v));
        col.addBindValue(v == state.values.constEnd() ? QVariant(QMetaType::fromType<double>())
                                                      : QVariant((*v - t.target) / t.sd));
        col.addBindValue(text(rules));
        if (!exec(col, error))
            return -1;
    }
    return id;
}

bool writeHold(const QSqlDatabase &db, const QUuid &result, qint64 evaluation, const QDateTime &now,
               QSqlError *error)
{
    QSqlQuery q(db);
    if (!prepare(q,
                 QStringLiteral("INSERT OR IGNORE INTO qc_holds (result_uid, evaluation_id, "
                                "at_ms, at_iso) VALUES (?, ?, ?, ?)"),
                 error))
        return false;
    q.addBindValue(result.toRfc4122());
    q.addBindValue(evaluation);
    q.addBindValue(now.toMSecsSinceEpoch());
    q.addBindValue(TArchiveWriter::isoText(now));
    return exec(q, error);
}

qint64 writeAction(const QSqlDatabase &db, const QString &osUser, const QString &comment,
                   const std::optional<QcHold> &hold, qint64 evaluation, const QDateTime &at,
                   QSqlError *error)
{
    QSqlQuery q(db);
    if (!prepare(q,
                 QStringLiteral("INSERT INTO qc_actions (at_ms, at_iso, os_user, comment, "
                                "evaluation_id, held_from_ms, held_to_ms) "
                                "VALUES (?, ?, ?, ?, ?, ?, ?)"),
                 error))
        return -1;
    q.addBindValue(at.toMSecsSinceEpoch());
    q.addBindValue(TArchiveWriter::isoText(at));
    q.addBindValue(text(osUser));
    q.addBindValue(comment);
    q.addBindValue(evaluation > 0 ? QVariant(evaluation) : QVariant(QMetaType::fromType<qint64>()));
    q.addBindValue(hold ? msOf(hold->lastGood) : msOf(QDateTime()));
    q.addBindValue(at.toMSecsSinceEpoch());
    if (!exec(q, error))
        return -1;
    return q.lastInsertId().toLongLong();
}

std::optional<QcHold> lastRelease(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT a.at_ms, e.control_ms, a.held_from_ms FROM qc_actions a "
                               "JOIN qc_evaluations e ON e.id = a.evaluation_id "
                               "ORDER BY a.id DESC LIMIT 1"))
        || !q.next())
        return std::nullopt;
    QcHold hold;
    hold.releasedAt = QDateTime::fromMSecsSinceEpoch(q.value(0).toLongLong());
    hold.rejectedAt = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong());
    if (!q.value(2).isNull())
        hold.lastGood = QDateTime::fromMSecsSinceEpoch(q.value(2).toLongLong());
    return hold;
}

} // namespace QcArchive
