// The archive's calibrations against reference samples, on the file the archive keeps open.

#include <QSqlDatabase>

#include "archive/TArchive.h"

namespace {

QString unreachable(const QString &error, const QString &status)
{
    return error.isEmpty() ? status : error;
}

} // namespace

qint64 TArchive::acceptCalibration(const QString &model, int column, const Calibration &calibration,
                                   const std::vector<CalibrationSample> &samples,
                                   const QString &acceptedBy, const QDateTime &at, QString *error)
{
    if (m_folder.isEmpty() || !ensureConnected()) {
        *error = unreachable(m_error, statusText());
        return -1;
    }
    QSqlError sqlError;
    const qint64 id = CalibrationStore::accept(database(), model, column, calibration, samples,
                                               acceptedBy, at, &sqlError);
    if (id < 0)
        *error = sqlError.text();
    return id;
}

std::vector<StoredCalibration> TArchive::calibrationsInForce(const QString &model, QString *error)
{
    if (m_folder.isEmpty() || !ensureConnected()) {
        *error = unreachable(m_error, statusText());
        return {};
    }
    QSqlError sqlError;
    std::vector<StoredCalibration> out = CalibrationStore::inForce(database(), model, &sqlError);
    if (sqlError.isValid())
        *error = sqlError.text();
    return out;
}

bool TArchive::writeCorrection(const QUuid &result, int column, double raw, double corrected,
                               qint64 calibration, QString *error)
{
    if (m_folder.isEmpty() || !ensureConnected()) {
        *error = unreachable(m_error, statusText());
        return false;
    }
    QSqlError sqlError;
    if (CalibrationStore::writeCorrection(database(), result, column, raw, corrected, calibration,
                                          &sqlError))
        return true;
    *error = sqlError.text();
    return false;
}
