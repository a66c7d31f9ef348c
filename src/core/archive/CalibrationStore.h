#pragma once

// Calibrations against reference samples, kept in the archive beside the results: each
// accepted line with the samples it was fitted to, who accepted it and when, and the values
// it corrected. Nothing is changed or removed (triggers refuse it): a new calibration of a
// model's column supersedes the one in force, which stays as it was. These tables are the
// station's own; they join neither the records' chain nor the server's copy.

#include <vector>

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>
#include <QUuid>

class Calibration;

struct StoredCalibration
{
    qint64 id = 0;
    QString model;
    int column = -1; // the value's number, 0 for the first value column
    double slope = 0;
    double intercept = 0;
    int count = 0;
    double r = 0;
    double residualSd = 0;
    QString acceptedBy;
    QDateTime at;
    qint64 supersedes = 0; // 0: the first of its column
};

struct CalibrationSample
{
    QUuid result; // null for a sample that is no archived result
    QString label;
    double measured = 0;
    double reference = 0;
};

namespace CalibrationStore {

// The tables, made by one step of the archive's schema with the append-only triggers.
QStringList tables();
// The tables whose rows are never changed or removed.
QStringList appendOnlyTables();

// Keeps a valid calibration of `column` for `model` with its samples; the one in force for
// it until now is superseded. The new calibration's id, or -1 with the error.
qint64 accept(const QSqlDatabase &db, const QString &model, int column,
              const Calibration &calibration, const std::vector<CalibrationSample> &samples,
              const QString &acceptedBy, const QDateTime &at, QSqlError *error);

// The calibrations in force for the model's columns, one per column at most, by column.
std::vector<StoredCalibration> inForce(const QSqlDatabase &db, const QString &model,
                                       QSqlError *error);
// Every calibration of the model's column, the first first.
std::vector<StoredCalibration> history(const QSqlDatabase &db, const QString &model, int column,
                                       QSqlError *error);
std::vector<CalibrationSample> samples(const QSqlDatabase &db, qint64 calibration, QSqlError *error);

// The result's value of `column` as the instrument gave it and as calibration `id`
// corrected it; writing it again adds nothing.
bool writeCorrection(const QSqlDatabase &db, const QUuid &result, int column, double raw,
                     double corrected, qint64 calibration, QSqlError *error);

} // namespace CalibrationStore
