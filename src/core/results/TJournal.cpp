#include "results/TJournal.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint32_t kMaxPayload = 16u << 20; // far above any row; guards a damaged length
// A record's frame: its payload length, its type byte, the payload, the CRC.
constexpr qsizetype kLengthSize = 4;
constexpr qsizetype kTypeSize = 1;
constexpr qsizetype kCrcSize = 4;
constexpr qsizetype kFrameSize = kLengthSize + kTypeSize + kCrcSize;
constexpr qsizetype kRowIndexSize = 4; // a row record's payload starts with its row

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

} // namespace

uint32_t TJournal::Crc32(QByteArrayView data)
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
        body.append(char(record.fromFile ? 1 : 0));
        body.append(record.fileName.toUtf8());
    } else {
        putU32(body, uint32_t(record.row));
        body.append(record.line);
    }
    QByteArray out;
    putU32(out, uint32_t(body.size() - kTypeSize));
    out.append(body);
    putU32(out, Crc32(body));
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
        if (getU32(body.data() + body.size()) != Crc32(body))
            break;
        Record r;
        const uint8_t type = uint8_t(body[0]);
        const QByteArrayView payload = body.sliced(kTypeSize);
        if (type == Record::Base && payload.size() >= 1) {
            r.type = Record::Base;
            r.fromFile = payload[0] != 0;
            r.fileName = QString::fromUtf8(payload.sliced(1));
        } else if (type == Record::Row && payload.size() >= kRowIndexSize) {
            r.type = Record::Row;
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

bool TJournal::Open(const QString &path)
{
    Close();
    const QByteArray name = path.toLocal8Bit();
    int fd;
    do {
        fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    // Held for as long as the window lives: a journal that cannot be locked belongs to a copy
    // of the program that is still running.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = path;
    return true;
}

std::vector<TJournal::Record> TJournal::ReadAll() const
{
    if (m_fd < 0)
        return {};
    struct stat st{};
    if (fstat(m_fd, &st) != 0 || st.st_size <= 0)
        return {};
    QByteArray data(qsizetype(st.st_size), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < data.size()) {
        const ssize_t n = pread(m_fd, data.data() + got, size_t(data.size() - got), got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    data.truncate(got);
    return Parse(data);
}

bool TJournal::writeAll(const QByteArray &bytes)
{
    const off_t end = lseek(m_fd, 0, SEEK_END);
    if (end < 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // Never leave half a record behind a good one.
            if (ftruncate(m_fd, end) != 0) {
            }
            return false;
        }
        done += n;
    }
    return fdatasync(m_fd) == 0;
}

bool TJournal::Append(const Record &record)
{
    return m_fd >= 0 && writeAll(Encode(record));
}

bool TJournal::Clear()
{
    if (m_fd < 0)
        return false;
    if (ftruncate(m_fd, 0) != 0)
        return false;
    return fdatasync(m_fd) == 0;
}

bool TJournal::Reset(const Record &base)
{
    return Clear() && Append(base);
}

bool TJournal::startFrom(bool fromFile, const QString &fileName)
{
    Record base;
    base.type = Record::Base;
    base.fromFile = fromFile;
    base.fileName = fileName;
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

void TJournal::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd); // releases the lock
        m_fd = -1;
    }
}
