#pragma once

// A log of the line for service engineers: every request and reply with a monotonic time
// stamp and what became of it. Off unless asked for; it rotates, so that it never holds more
// than two files of MaxBytes each ("<name>" and "<name>.1"). Written by the polling thread only.

#include <cstdint>
#include <cstdio>

#include <QByteArray>
#include <QString>

class FrameLog
{
public:
    enum class Verdict { Sent, Accepted, WrongLength, WrongEcho, NoReply };

    explicit FrameLog(const QString &path, qint64 maxBytes = MaxBytes);
    ~FrameLog();
    FrameLog(const FrameLog &) = delete;
    FrameLog &operator=(const FrameLog &) = delete;

    void request(const uint8_t *bytes, int count);
    void reply(const uint8_t *bytes, int count, Verdict verdict);

    static QByteArray verdictName(Verdict verdict);
    static constexpr qint64 MaxBytes = 1 << 20;

private:
    void write(const QByteArray &line);
    void rotate();

    QString m_path;
    qint64 m_maxBytes;
    qint64 m_size = 0;
    FILE *m_file = nullptr;
};
