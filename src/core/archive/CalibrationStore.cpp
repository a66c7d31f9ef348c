#include "archive/CalibrationStore.h"

#include <QSqlQuery>
#include <QVariant>

#include "archive/TArchiveWriter.h"
#include "qc/Calibration.h"

namespace {

const char *const Tables[] = {"calibrations", "calibration_samples", "result_corrections"};

bool fail(const QSqlQuery &q, QSqlError *error)
{
    *error = q.lastError();
    return false;
}

const QString Columns = QStringLiteral("id, model, col, slope, intercept, n, r, residual_sd, "
                                       "accepted_by, at_ms, supersedes");

StoredCalibration readOne(const QSqlQuery &q)
{
    StoredCalibration c;
    c.id = q.value(0).toLongLong();
    c.model = q.value(1).toString();
    c.column = q.value(2).toInt();
    c.slope = q.value(3).toDouble();
    c.intercept = q.value(4).toDouble();
    c.count = q.value(5).toInt();
    c.r = q.value(6).toDouble();
    c.residualSd = q.value(7).toDouble();
    c.acceptedBy = q.value(8).toString();
    c.at = QDateTime::fromMSecsSinceEpoch(q.value(9).toLongLong());
    c.supersedes = q.value(10).toLongLong();
    return c;
}

std::vector<StoredCalibration> select(const QSqlDatabase &db, const QString &where,
                                      const QVariantList &binds, QSqlError *error)
{
    std::vector<StoredCalibration> out;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT %1 FROM calibrations c WHERE %2 ORDER BY col, id")
                       .arg(Columns, where))) {
        fail(q, error);
        return out;
    }
    for (const QVariant &v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        fail(q, error);
        return out;
    }
    while (q.next())
        out.push_back(readOne(q));
    return out;
}

// The calibration in force for a column is its newest; within the one transaction that adds a
// calibration, that is the one it supersedes.
const QString NewestOfColumn = QStringLiteral(
    "c.id = (SELECT MAX(n.id) FROM calibrations n WHERE n.model = c.model AND n.col = c.col)");

bool insertSamples(const QSqlDatabase &db, qint64 id, const std::vector<CalibrationSample> &samples,
                   QSqlError *error)
{
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT INTO calibration_samples (calibration_id, result_uid, "
                                  "label, measured, reference) VALUES (?, ?, ?, ?, ?)")))
        return fail(q, error);
    for (const CalibrationSample &s : samples) {
        q.addBindValue(id);
        q.addBindValue(s.result.isNull() ? QVariant(QMetaType::fromType<QByteArray>())
                                         : QVariant(s.result.toRfc4122()));
        q.addBindValue(s.label.isNull() ? QStringLiteral("") : s.label);
        q.addBindValue(s.measured);
        q.addBindValue(s.reference);
        if (!q.exec())
            return fail(q, error);
    }
    return true;
}

} // namespace

namespace CalibrationStore {

QStringList tables()
{
    QStringList sql = {
        QStringLiteral("CREATE TABLE calibrations (id INTEGER PRIMARY KEY, "
                       "model TEXT NOT NULL, col INTEGER NOT NULL, slope REAL NOT NULL, "
                       "intercept REAL NOT NULL, n INTEGER NOT NULL CHECK (n >= 3), "
                       "r REAL NOT NULL, residual_sd REAL NOT NULL, accepted_by TEXT NOT NULL, "
                       "at_ms INTEGER NOT NULL, at_iso TEXT NOT NULL, "
                       "supersedes INTEGER UNIQUE REFERENCES calibrations (id))"),
        QStringLiteral("CREATE INDEX calibrations_column ON calibrations (model, col, id)"),
        QStringLiteral("CREATE TABLE calibration_samples (id INTEGER PRIMARY KEY, "
                       "calibration_id INTEGER NOT NULL REFERENCES calibrations (id), "
                       "result_uid BLOB, label TEXT NOT NULL, measured REAL NOT NULL, "
                       "reference REAL NOT NULL)"),
        QStringLiteral("CREATE INDEX calibration_samples_of ON calibration_samples "
                       "(calibration_id)"),
        // Keyed by the result's handle: a result may still wait for the archive when its
        // corrected value is written.
        QStringLiteral("CREATE TABLE result_corrections (id INTEGER PRIMARY KEY, "
                       "result_uid BLOB NOT NULL, col INTEGER NOT NULL, raw REAL NOT NULL, "
                       "corrected REAL NOT NULL, "
                       "calibration_id INTEGER NOT NULL REFERENCES calibrations (id), "
                       "UNIQUE (result_uid, col))"),
    };
    return sql;
}

QStringList appendOnlyTables()
{
    QStringList out;
    for (const char *t : Tables)
        out << QString::fromLatin1(t);
    return out;
}

qint64 accept(const QSqlDatabase &db, const QString &model, int column,
              const Calibration &calibration, const std::vector<CalibrationSample> &samples,
              const QString &acceptedBy, const QDateTime &at, QSqlError *error)
{
    if (!calibration.isValid() || int(samples.size()) != calibration.count()) {
        *error = QSqlError(QStringLiteral("calibration not valid"), calibration.refusalText(),
                           QSqlError::StatementError);
        return -1;
    }
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        fail(q, error);
        return -1;
    }
    const auto rollback = [&] {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return qint64(-1);
    };
    const std::vector<StoredCalibration> before = history(db, model, column, error);
    if (error->isValid())
        return rollback();
    if (!q.prepare(QStringLiteral("INSERT INTO calibrations (model, col, slope, intercept, n, r, "
                                  "residual_sd, accepted_by, at_ms, at_iso, supersedes) "
                                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))) {
        fail(q, error);
        return rollback();
    }
    q.addBindValue(model);
    q.addBindValue(column);
    q.addBindValue(calibration.slope());
    q.addBindValue(calibration.intercept());
    q.addBindValue(calibration.count());
    q.addBindValue(calibration.r());
    q.addBindValue(calibration.residualSd());
    q.addBindValue(acceptedBy.isNull() ? QStringLiteral("") : acceptedBy);
    q.addBindValue(at.toMSecsSinceEpoch());
    q.addBindValue(TArchiveWriter::isoText(at));
    q.addBindValue(before.empty() ? QVariant(QMetaType::fromType<qint64>())
                                  : QVariant(before.back().id));
    if (!q.exec()) {
        fail(q, error);
        return rollback();
    }
    const qint64 id = q.lastInsertId().toLongLong();
    if (!insertSamples(db, id, samples, error) || !q.exec(QStringLiteral("COMMIT"))) {
        if (!error->isValid())
            fail(q, error);
        return rollback();
    }
    return id;
}

std::vector<StoredCalibration> inForce(const QSqlDatabase &db, const QString &model,
                                       QSqlError *error)
{
    return select(db, QStringLiteral("c.model = ? AND ") + NewestOfColumn, {model}, error);
}

std::vector<StoredCalibration> history(const QSqlDatabase &db, const QString &model, int column,
                                       QSqlError *error)
{
    return select(db, QStringLiteral("c.model = ? AND c.col = ?"), {model, column}, error);
}

std::vector<CalibrationSample> samples(const QSqlDatabase &db, qint64 calibration, QSqlError *error)
{
    std::vector<CalibrationSample> out;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT result_uid, label, measured, reference FROM "
                                  "calibration_samples WHERE calibration_id = ? ORDER BY id"))) {
        fail(q, error);
        return out;
    }
    q.addBindValue(calibration);
    if (!q.exec()) {
        fail(q, error);
        return out;
    }
    while (q.next()) {
        CalibrationSample s;
        if (!q.value(0).isNull())
            s.result = QUuid::fromRfc4122(q.value(0).toByteArray());
        s.label = q.value(1).toString();
        s.measured = q.value(2).toDouble();
        s.reference = q.value(3).toDouble();
        out.push_back(s);
    }
    return out;
}

bool writeCorrection(const QSqlDatabase &db, const QUuid &result, int column, double raw,
                     double corrected, qint64 calibration, QSqlError *error)
{
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT INTO result_corrections (result_uid, col, raw, "
                                  "corrected, calibration_id) VALUES (?, ?, ?, ?, ?) "
                                  "ON CONFLICT (result_uid, col) DO NOTHING")))
        return fail(q, error);
    q.addBindValue(result.toRfc4122());
    q.addBindValue(column);
    q.addBindValue(raw);
    q.addBindValue(corrected);
    q.addBindValue(calibration);
    return q.exec() || fail(q, error);
}

} // namespace CalibrationStore
