#include "pollers/FrameLog.h"

#include <ctime>

#include <QFile>

namespace {

QByteArray stamp()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    char text[32];
    snprintf(text, sizeof text, "%lld.%06ld", static_cast<long long>(ts.tv_sec), ts.tv_nsec / 1000);
    return QByteArray(text);
}

QByteArray hex(const uint8_t *bytes, int count)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(bytes), std::max(count, 0))
        .toHex(' ');
}

} // namespace

FrameLog::FrameLog(const QString &path, qint64 maxBytes)
    : m_path(path)
    , m_maxBytes(maxBytes)
{
    m_file = fopen(QFile::encodeName(path).constData(), "ae");
    if (m_file) {
        fseek(m_file, 0, SEEK_END);
        m_size = ftell(m_file);
    }
}

FrameLog::~FrameLog()
{
    if (m_file)
        fclose(m_file);
}

QByteArray FrameLog::verdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Sent:
        return "sent";
    case Verdict::Accepted:
        return "accepted";
    case Verdict::WrongLength:
        return "wrong length";
    case Verdict::WrongEcho:
        return "wrong echo";
    case Verdict::NoReply:
        return "no reply";
    }
    return "?";
}

void FrameLog::request(const uint8_t *bytes, int count)
{
    write(stamp() + " > " + hex(bytes, count) + '\n');
}

void FrameLog::reply(const uint8_t *bytes, int count, Verdict verdict)
{
    write(stamp() + " < [" + QByteArray::number(count) + "] " + verdictName(verdict) + ": "
          + hex(bytes, count) + '\n');
}

void FrameLog::write(const QByteArray &line)
{
    if (m_file && m_size > 0 && m_size + line.size() > m_maxBytes)
        rotate();
    if (!m_file)
        return; // a log that cannot be written must never stop the polling
    if (fwrite(line.constData(), 1, line.size(), m_file) == size_t(line.size()))
        m_size += line.size();
    fflush(m_file);
}

void FrameLog::rotate()
{
    fclose(m_file);
    const QByteArray name = QFile::encodeName(m_path);
    std::rename(name.constData(), (name + ".1").constData());
    m_file = fopen(name.constData(), "we");
    m_size = 0;
}
