#pragma once

// An archive file as the program wrote it before its records were chained (version 2).

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include "archive/ArchiveSchema.h"
#include "support/ArchiveSamples.h"

// Per round a result (a minus zero, a missing value, a NUL in its label), a change of its
// label and a results-file event, under the station's next numbers.
inline bool writeVersion2Archive(const QString &path, const QString &station, int rounds)
{
    RawArchive raw(path);
    QSqlError error;
    if (!ArchiveSchema::migrate(raw.db(), 2, &error))
        return false;
    QSqlQuery q(raw.db());
    const qint64 base = raw.value("SELECT COALESCE(max(id), 0) FROM records").toLongLong();
    for (int i = 0; i < rounds; ++i) {
        const qint64 id = base + 3 * i + 1;
        const qint64 seq = 3 * i + 1;
        for (int k = 0; k < 3; ++k) {
            q.prepare("INSERT INTO records (id, station, seq, uid, kind) VALUES (?, ?, ?, ?, ?)");
            q.addBindValue(id + k);
            q.addBindValue(station);
            q.addBindValue(seq + k);
            q.addBindValue(QUuid::createUuid().toRfc4122());
            q.addBindValue(QStringList{"result", "label", "file"}[k]);
            if (!q.exec())
                return false;
        }
        const TArchiveResult r = sampleResult(QStringLiteral("Проба\0 %1").arg(i), day(2, 8, i));
        q.prepare("INSERT INTO results (id, at_ms, at_iso, model, port, device, date_text, "
                  "time_text, grp, label, cells, raw, v0, v1, v2) "
                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (const QVariant &v :
             QVariantList{id, r.at.toMSecsSinceEpoch(), "2025-03-02T08:00:00.000+03:00", r.model,
                          r.port, r.deviceNumber, r.dateText, r.timeText, r.group, r.label,
                          r.cells.join('\t'), r.raw, -0.0, QVariant(QMetaType::fromType<double>()),
                          3.1 + i})
            q.addBindValue(v);
        if (!q.exec())
            return false;
        if (!raw.exec(QStringLiteral("INSERT INTO label_changes VALUES (%1, 1741000001000, '', "
                                     "%2, 1, 'a', 'Ферма «Б»', 'op', 'a.txt')")
                          .arg(id + 1)
                          .arg(id))
            || !raw.exec(QStringLiteral("INSERT INTO file_events VALUES (%1, 1741000002000, '', "
                                        "'save', '/data/Март.txt', %2)")
                             .arg(id + 2)
                             .arg(i + 1)))
            return false;
    }
    return true;
}
