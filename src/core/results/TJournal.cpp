#include "results/TJournal.h"

#include <array>

#include <QFile>

namespace {

constexpr uint32_t kMaxPayload = 16u << 20; // far above any row; guards a damaged length
// A record's frame: its payload length, its type byte, the payload, the CRC.
constexpr qsizetype kLengthSize = 4;
constexpr qsizetype kTypeSize = 1;
constexpr qsizetype kCrcSize = 4;
constexpr qsizetype kFrameSize = kLengthSize + kTypeSize + kCrcSize;
constexpr qsizetype kRowIndexSize = 4; // a row record's payload starts with its row
// A base record's first byte: what follows the flags.
constexpr uint8_t kFromFile = 0x01;
constexpr uint8_t kStamped = 0x02;          // the file's size, time and hash follow
constexpr uint8_t kFileExisted = 0x04;      // of a stamped base
constexpr qsizetype kStampSize = 8 + 8 + 1; // size, time, hash length (the hash follows)

void putU32(QByteArray &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

uint32_t getU32(const char *p)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= uint32_t(uint8_t(p[i])) << (8 * i);
    return v;
}

void putU64(QByteArray &out, uint64_t v)
{
    putU32(out, uint32_t(v));
    putU32(out, uint32_t(v >> 32));
}

uint64_t getU64(const char *p)
{
    return uint64_t(getU32(p)) | uint64_t(getU32(p + 4)) << 32;
}

// The payload of a base record after its flags; false when it is cut short.
bool parseBase(uint8_t flags, QByteArrayView rest, TJournal::Record &r)
{
    r.type = TJournal::Record::Base;
    r.fromFile = flags & kFromFile;
    r.stamped = flags & kStamped;
    if (r.stamped) {
        if (rest.size() < kStampSize || rest.size() < kStampSize + uint8_t(rest[16]))
            return false;
        r.stamp.exists = flags & kFileExisted;
        r.stamp.size = qint64(getU64(rest.data()));
        r.stamp.modifiedMs = qint64(getU64(rest.data() + 8));
        r.stamp.hash = rest.sliced(kStampSize, uint8_t(rest[16])).toByteArray();
        rest = rest.sliced(kStampSize + r.stamp.hash.size());
    }
    r.fileName = QString::fromUtf8(rest);
    return true;
}

} // namespace

uint32_t TJournal::crc32(QByteArrayView data)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (char ch : data)
        crc = table[(crc ^ uint8_t(ch)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

QByteArray TJournal::Encode(const Record &record)
{
    QByteArray body;
    body.append(char(record.type));
    if (record.type == Record::Base) {
        uint8_t flags = record.fromFile ? kFromFile : 0;
        if (record.stamped)
            flags |= kStamped | (record.stamp.exists ? kFileExisted : 0);
        body.append(char(flags));
        if (record.stamped) {
            putU64(body, uint64_t(record.stamp.size));
            putU64(body, uint64_t(record.stamp.modifiedMs));
            const QByteArray hash = record.stamp.hash.left(255);
            body.append(char(hash.size()));
            body.append(hash);
        }
        body.append(record.fileName.toUtf8());
    } else {
        putU32(body, uint32_t(record.row));
        body.append(record.line);
    }
    QByteArray out;
    putU32(out, uint32_t(body.size() - kTypeSize));
    out.append(body);
    putU32(out, crc32(body));
    return out;
}

std::vector<TJournal::Record> TJournal::Parse(QByteArrayView data)
{
    std::vector<Record> records;
    qsizetype pos = 0;
    while (data.size() - pos >= kFrameSize) {
        const uint32_t length = getU32(data.data() + pos);
        if (length > kMaxPayload || qsizetype(length) + kFrameSize > data.size() - pos)
            break;
        // The CRC covers the type byte and the payload.
        const QByteArrayView body = data.sliced(pos + kLengthSize, kTypeSize + length);
        if (getU32(body.data() + body.size()) != crc32(body))
            break;
        Record r;
        const uint8_t type = uint8_t(body[0]);
        const QByteArrayView payload = body.sliced(kTypeSize);
        if (type == Record::Base && payload.size() >= 1) {
            if (!parseBase(uint8_t(payload[0]), payload.sliced(1), r))
                break;
        } else if ((type == Record::Row || type == Record::Archived)
                   && payload.size() >= kRowIndexSize) {
            r.type = Record::Type(type);
            const uint32_t row = getU32(payload.data());
            if (row > uint32_t(INT32_MAX))
                break;
            r.row = int(row);
            r.line = payload.sliced(kRowIndexSize).toByteArray();
        } else {
            break;
        }
        records.push_back(std::move(r));
        pos += kFrameSize + length;
    }
    return records;
}

TJournal::~TJournal()
{
    Close();
}

bool TJournal::Append(const Record &record)
{
    return m_fd >= 0 && writeAll(Encode(record));
}

bool TJournal::appendRecords(const std::vector<Record> &records)
{
    QByteArray bytes;
    for (const Record &r : records)
        bytes.append(Encode(r));
    return m_fd >= 0 && writeAll(bytes);
}

bool TJournal::Reset(const Record &base)
{
    return Clear() && Append(base);
}

bool TJournal::startFrom(bool fromFile, const QString &fileName, const TFileStamp &stamp)
{
    Record base;
    base.type = Record::Base;
    base.fromFile = fromFile;
    base.fileName = fileName;
    base.stamped = true;
    base.stamp = stamp;
    return Reset(base);
}

bool TJournal::appendRow(int row, const QByteArray &line)
{
    Record r;
    r.type = Record::Row;
    r.row = row;
    r.line = line;
    return Append(r);
}
