#include "session/ArchivedRecord.h"

#include <QDataStream>
#include <QIODevice>

namespace {

// The encoding's own version, ahead of everything: a later one is skipped, never misread.
constexpr quint8 kFormat = 1;
enum Kind : quint8 { ResultKind = 1, LabelKind = 2, FileKind = 3 };

// The moment and its offset from UTC, so that the archive writes the same time text.
void putTime(QDataStream &out, const QDateTime &at)
{
    out << qint64(at.toMSecsSinceEpoch()) << qint32(at.offsetFromUtc());
}

QDateTime getTime(QDataStream &in)
{
    qint64 ms = 0;
    qint32 offset = 0;
    in >> ms >> offset;
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, offset);
}

} // namespace

namespace ArchivedRecord {

QByteArray encode(const QUuid &uid, const TArchive::Record &record)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << kFormat;
    if (const auto *r = std::get_if<TArchiveResult>(&record)) {
        out << quint8(ResultKind) << uid << r->model << r->port << qint32(r->deviceNumber);
        putTime(out, r->at);
        out << r->dateText << r->timeText << qint32(r->group) << quint32(r->values.size());
        for (const std::optional<double> &v : r->values)
            out << bool(v) << (v ? *v : 0.0);
        out << r->label << r->cells << r->raw;
        // Added later, at the end: an older reader stops before them.
        out << r->limitsChecked << r->limitsOutside;
    } else if (const auto *c = std::get_if<TArchiveLabelChange>(&record)) {
        out << quint8(LabelKind) << uid << c->result << qint32(c->row) << c->oldText << c->newText;
        putTime(out, c->at);
        out << c->fileName << c->osUser;
    } else {
        const auto &e = std::get<TArchiveFileEvent>(record);
        out << quint8(FileKind) << uid << qint32(e.kind) << e.fileName << qint32(e.rowCount);
        putTime(out, e.at);
    }
    return bytes;
}

std::optional<Entry> decode(QByteArrayView bytes)
{
    const QByteArray copy = bytes.toByteArray();
    QDataStream in(copy);
    in.setVersion(QDataStream::Qt_6_4);
    quint8 format = 0;
    quint8 kind = 0;
    Entry entry;
    in >> format >> kind >> entry.uid;
    if (format != kFormat || entry.uid.isNull())
        return std::nullopt;
    qint32 a = 0;
    qint32 b = 0;
    if (kind == ResultKind) {
        TArchiveResult r;
        quint32 count = 0;
        in >> r.model >> r.port >> a;
        r.deviceNumber = a;
        r.at = getTime(in);
        in >> r.dateText >> r.timeText >> b >> count;
        r.group = b;
        if (count > 1024)
            return std::nullopt;
        for (quint32 k = 0; k < count; ++k) {
            bool has = false;
            double v = 0;
            in >> has >> v;
            r.values.push_back(has ? std::optional<double>(v) : std::nullopt);
        }
        in >> r.label >> r.cells >> r.raw;
        if (!in.atEnd())
            in >> r.limitsChecked >> r.limitsOutside;
        entry.record = std::move(r);
    } else if (kind == LabelKind) {
        TArchiveLabelChange c;
        in >> c.result >> a >> c.oldText >> c.newText;
        c.row = a;
        c.at = getTime(in);
        in >> c.fileName >> c.osUser;
        entry.record = std::move(c);
    } else if (kind == FileKind) {
        TArchiveFileEvent e;
        in >> a >> e.fileName >> b;
        if (a < TArchiveFileEvent::Open || a > TArchiveFileEvent::New)
            return std::nullopt;
        e.kind = TArchiveFileEvent::Kind(a);
        e.rowCount = b;
        e.at = getTime(in);
        entry.record = std::move(e);
    } else {
        return std::nullopt;
    }
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    return entry;
}

} // namespace ArchivedRecord
