#include "archive/TArchiveWriter.h"

#include <cmath>

#include <QVariant>

#include "archive/ArchiveSchema.h"
#include "archive/OsUser.h"

namespace {

const QVariant kNullReal = QVariant(QMetaType::fromType<double>());
const QVariant kNullBlob = QVariant(QMetaType::fromType<QByteArray>());

QVariant real(const std::optional<double> &v)
{
    // SQLite keeps no NaN; an infinity it keeps.
    return v && !std::isnan(*v) ? QVariant(*v) : kNullReal;
}

const char *eventName(TArchiveFileEvent::Kind kind)
{
    switch (kind) {
    case TArchiveFileEvent::Open:
        return "open";
    case TArchiveFileEvent::Save:
        return "save";
    case TArchiveFileEvent::SaveAs:
        return "save as";
    case TArchiveFileEvent::New:
        return "new";
    }
    return "open";
}

// Qt binds a null string as NULL; the archive's texts are never NULL, at most empty.
QVariant text(const QString &s)
{
    return s.isNull() ? QVariant(QStringLiteral("")) : QVariant(s);
}

QDateTime orNow(const QDateTime &at)
{
    return at.isValid() ? at : QDateTime::currentDateTime();
}

} // namespace

TArchiveWriter::TArchiveWriter(const QSqlDatabase &db)
    : m_db(db)
    , m_record(db)
    , m_result(db)
    , m_labelText(db)
    , m_marks(db)
    , m_labelChange(db)
    , m_changedText(db)
    , m_fileEvent(db)
    , m_resultStation(db)
    , m_chain(db)
{}

bool TArchiveWriter::prepare(QSqlError *error)
{
    QString values;
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k)
        values += QStringLiteral(", ?");
    const std::pair<QSqlQuery *, QString> statements[] = {
        {&m_record,
         QStringLiteral("INSERT INTO records (station, seq, uid, kind) VALUES (?, "
                        "(SELECT COALESCE(MAX(seq), 0) + 1 FROM records WHERE station = ?), "
                        "?, ?) ON CONFLICT (uid) DO NOTHING")},
        {&m_result, QStringLiteral("INSERT INTO results (id, at_ms, at_iso, model, port, device, "
                                   "date_text, time_text, grp, label, cells, raw, ")
                        + ArchiveSchema::valueColumns()
                        + QStringLiteral(") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?") + values
                        + QLatin1Char(')')},
        {&m_labelText, QStringLiteral("INSERT INTO label_texts (result_id, folded) "
                                      "VALUES (?, ?)")},
        {&m_marks, QStringLiteral("INSERT INTO result_marks (id, checked, outside) "
                                  "VALUES (?, ?, ?)")},
        {&m_labelChange,
         QStringLiteral("INSERT INTO label_changes (id, at_ms, at_iso, result_id, row_no, "
                        "old_text, new_text, os_user, file_name) VALUES (?, ?, ?, "
                        "(SELECT id FROM records WHERE uid = ? AND kind = 'result'), "
                        "?, ?, ?, ?, ?)")},
        {&m_changedText, QStringLiteral("INSERT INTO label_texts (result_id, folded) "
                                        "SELECT result_id, ? FROM label_changes "
                                        "WHERE id = ? AND result_id IS NOT NULL")},
        {&m_resultStation, QStringLiteral("SELECT station FROM records WHERE uid = ? "
                                          "AND kind = 'result'")},
        {&m_fileEvent,
         QStringLiteral("INSERT INTO file_events (id, at_ms, at_iso, event, file_name, "
                        "row_count) VALUES (?, ?, ?, ?, ?, ?)")},
    };
    for (const auto &[q, sql] : statements) {
        if (!q->prepare(sql)) {
            *error = q->lastError();
            return false;
        }
    }
    return m_chain.prepare(error);
}

bool TArchiveWriter::exec(QSqlQuery &q, QSqlError *error)
{
    if (q.exec())
        return true;
    *error = q.lastError();
    return false;
}

bool TArchiveWriter::begin(QSqlError *error)
{
    // The write lock at once, so that waiting for it happens here and not inside the writes.
    QSqlQuery q(m_db);
    if (q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return true;
    *error = q.lastError();
    return false;
}

bool TArchiveWriter::commit(QSqlError *error)
{
    QSqlQuery q(m_db);
    if (q.exec(QStringLiteral("COMMIT")))
        return true;
    *error = q.lastError();
    rollback();
    return false;
}

void TArchiveWriter::rollback()
{
    QSqlQuery q(m_db);
    q.exec(QStringLiteral("ROLLBACK"));
}

QString TArchiveWriter::isoText(const QDateTime &at)
{
    const QDateTime t = at.toOffsetFromUtc(at.offsetFromUtc());
    QString text = t.toString(Qt::ISODateWithMs);
    if (text.endsWith(QLatin1Char('Z'))) { // UTC itself: the offset spelt out like any other
        text.chop(1);
        text += QStringLiteral("+00:00");
    }
    return text;
}

qint64 TArchiveWriter::writeRecord(const QString &station, const QUuid &uid, const char *kind,
                                   QSqlError *error)
{
    m_record.addBindValue(text(station));
    m_record.addBindValue(text(station));
    m_record.addBindValue(uid.toRfc4122());
    m_record.addBindValue(QString::fromLatin1(kind));
    if (!exec(m_record, error))
        return -1;
    if (m_record.numRowsAffected() == 0)
        return 0;
    return m_record.lastInsertId().toLongLong();
}

bool TArchiveWriter::writeResult(const QString &station, const QUuid &uid,
                                 const TArchiveResult &result, QSqlError *error)
{
    const qint64 id = writeRecord(station, uid, "result", error);
    if (id <= 0)
        return id == 0;
    const QDateTime at = orNow(result.at);
    m_result.addBindValue(id);
    m_result.addBindValue(at.toMSecsSinceEpoch());
    m_result.addBindValue(isoText(at));
    m_result.addBindValue(text(result.model));
    m_result.addBindValue(text(result.port));
    m_result.addBindValue(result.deviceNumber);
    m_result.addBindValue(text(result.dateText));
    m_result.addBindValue(text(result.timeText));
    m_result.addBindValue(result.group);
    m_result.addBindValue(text(result.label));
    m_result.addBindValue(text(result.cells.join(QLatin1Char('\t'))));
    m_result.addBindValue(result.raw.isNull() ? QByteArray("", 0) : result.raw);
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k)
        m_result.addBindValue(k < int(result.values.size()) ? real(result.values[k]) : kNullReal);
    if (!exec(m_result, error))
        return false;
    if (!result.label.isEmpty()) {
        m_labelText.addBindValue(id);
        m_labelText.addBindValue(ArchiveSchema::foldLabel(result.label));
        if (!exec(m_labelText, error))
            return false;
    }
    if (result.limitsChecked != 0) {
        m_marks.addBindValue(id);
        m_marks.addBindValue(qint64(result.limitsChecked));
        m_marks.addBindValue(qint64(result.limitsOutside & result.limitsChecked));
        if (!exec(m_marks, error))
            return false;
    }
    return m_chain.link(id, error);
}

bool TArchiveWriter::writeLabelChange(const QString &station, const QUuid &uid,
                                      const TArchiveLabelChange &change, QSqlError *error)
{
    // A change goes under its result's station, which the server finds it by: a result
    // archived before the station was renamed keeps its changes beside it.
    QString under = station;
    if (!change.result.isNull()) {
        m_resultStation.addBindValue(change.result.toRfc4122());
        if (!exec(m_resultStation, error))
            return false;
        if (m_resultStation.next())
            under = m_resultStation.value(0).toString();
        m_resultStation.finish();
    }
    const qint64 id = writeRecord(under, uid, "label", error);
    if (id <= 0)
        return id == 0;
    const QDateTime at = orNow(change.at);
    m_labelChange.addBindValue(id);
    m_labelChange.addBindValue(at.toMSecsSinceEpoch());
    m_labelChange.addBindValue(isoText(at));
    // A result that never reached the archive (lost from a full queue) leaves the change
    // without its result rather than without its record.
    m_labelChange.addBindValue(change.result.isNull() ? kNullBlob
                                                      : QVariant(change.result.toRfc4122()));
    m_labelChange.addBindValue(change.row);
    m_labelChange.addBindValue(text(change.oldText));
    m_labelChange.addBindValue(text(change.newText));
    m_labelChange.addBindValue(text(change.osUser.isEmpty() ? osUserName() : change.osUser));
    m_labelChange.addBindValue(text(change.fileName));
    if (!exec(m_labelChange, error))
        return false;
    if (!change.newText.isEmpty() && !change.result.isNull()) {
        m_changedText.addBindValue(ArchiveSchema::foldLabel(change.newText));
        m_changedText.addBindValue(id);
        if (!exec(m_changedText, error))
            return false;
    }
    return m_chain.link(id, error);
}

bool TArchiveWriter::writeFileEvent(const QString &station, const QUuid &uid,
                                    const TArchiveFileEvent &event, QSqlError *error)
{
    const qint64 id = writeRecord(station, uid, "file", error);
    if (id <= 0)
        return id == 0;
    const QDateTime at = orNow(event.at);
    m_fileEvent.addBindValue(id);
    m_fileEvent.addBindValue(at.toMSecsSinceEpoch());
    m_fileEvent.addBindValue(isoText(at));
    m_fileEvent.addBindValue(QString::fromLatin1(eventName(event.kind)));
    m_fileEvent.addBindValue(text(event.fileName));
    m_fileEvent.addBindValue(event.rowCount);
    return exec(m_fileEvent, error) && m_chain.link(id, error);
}
