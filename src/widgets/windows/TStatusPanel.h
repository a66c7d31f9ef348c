#pragma once

// The line at a glance, in the window's status bar: the instrument model, the polling state
// (amber when the instrument is silent, red while the line is lost), the port with its
// adapter, the device number, the time of the last accepted reply, the results in the table,
// and the results the instrument rejected and the replies dropped, counted. It shows what it
// is told; its only timer redraws the countdown and notices the ten quiet seconds.

#include <functional>
#include <optional>

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include "pollers/TLineStatus.h"

class QLabel;

class TStatusPanel : public QWidget
{
    Q_OBJECT
public:
    explicit TStatusPanel(QWidget *parent = nullptr);

    // The clock of the countdown (the window's clock, which paces the results); the monotonic
    // milliseconds of the ten quiet seconds.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    std::function<qint64()> monotonicMs;

    void setModelName(const QString &name);
    void setResultCount(int count);
    void pollingStarted(const QString &port, int deviceNumber);
    void pollingStopped();
    void cycle(bool resultDue, const QDateTime &lastResult);
    void replyAccepted();
    void replyDropped(TReplyVerdict why);
    void lineLost(int error);
    void reconnectFailed(int error);
    void lineRestored();
    void resultRejected(std::optional<uint16_t> status);

    // What the fields show; the state's colour.
    QString stateText() const;
    TLineStatus::Tone stateTone() const { return m_tone; }
    QStringList fieldTexts() const;

    // Brings the fields up to date; a field whose text is unchanged is not touched.
    void refresh();

private:
    void scheduleRefresh();
    QLabel *addField(const QString &name);
    void setField(QLabel *label, const QString &text);

    TLineStatus m_status;
    QElapsedTimer m_clock;
    QTimer m_tick;
    QString m_port;
    QString m_portCaption;
    QString m_device;
    QString m_lastProblem; // why the port does not open again, as its tool tip
    QTime m_lastReplyAt;   // the wall-clock time of the last accepted reply
    bool m_refreshQueued = false;
    TLineStatus::Tone m_tone = TLineStatus::Tone::Plain;
    QLabel *m_model = nullptr;
    QLabel *m_state = nullptr;
    QLabel *m_portLabel = nullptr;
    QLabel *m_deviceLabel = nullptr;
    QLabel *m_lastReply = nullptr;
    QLabel *m_results = nullptr;
    QLabel *m_rejected = nullptr;
    QLabel *m_dropped = nullptr;
};
