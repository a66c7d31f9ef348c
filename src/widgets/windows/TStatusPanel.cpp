#include "windows/TStatusPanel.h"

#include <utility>

#include <QHBoxLayout>
#include <QLabel>

#include "results/LocaleFormats.h"
#include "serial/PortDetails.h"
#include "serial/PortProblem.h"
#include "text/LineStrings.h"

namespace {

// Colours by palette, not by style sheet: the label keeps the window's font.
void paintTone(QLabel *label, TLineStatus::Tone tone)
{
    QPalette p = label->parentWidget()->palette();
    if (tone != TLineStatus::Tone::Plain) {
        const bool red = tone == TLineStatus::Tone::Red;
        p.setColor(QPalette::Window, red ? QColor(0xc6, 0x28, 0x28) : QColor(0xf5, 0xb7, 0x00));
        p.setColor(QPalette::WindowText, red ? Qt::white : Qt::black);
    }
    label->setPalette(p);
    label->setAutoFillBackground(tone != TLineStatus::Tone::Plain);
}

} // namespace

TStatusPanel::TStatusPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("StatusPanel"));
    m_clock.start();
    monotonicMs = [this] { return m_clock.elapsed(); };
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    m_model = addField(QStringLiteral("ModelField"));
    m_state = addField(QStringLiteral("StateField"));
    m_portLabel = addField(QStringLiteral("PortField"));
    m_deviceLabel = addField(QStringLiteral("DeviceField"));
    m_lastReply = addField(QStringLiteral("LastReplyField"));
    m_results = addField(QStringLiteral("ResultsField"));
    m_rejected = addField(QStringLiteral("RejectedField"));
    m_dropped = addField(QStringLiteral("DroppedField"));
    row->addStretch(1);
    m_state->setContentsMargins(4, 0, 4, 0);
    paintTone(m_state, m_tone);
    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, &TStatusPanel::refresh);
    refresh();
}

QLabel *TStatusPanel::addField(const QString &name)
{
    auto *label = new QLabel(this);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->hide();
    layout()->addWidget(label);
    return label;
}

void TStatusPanel::setField(QLabel *label, const QString &text)
{
    if (label->text() == text && label->isVisible() == !text.isEmpty())
        return;
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

void TStatusPanel::scheduleRefresh()
{
    // Events only take note; the fields follow once the event loop is free again, so a reply
    // on its way to its row does not wait for labels to be laid out.
    if (!std::exchange(m_refreshQueued, true))
        QMetaObject::invokeMethod(this, &TStatusPanel::refresh, Qt::QueuedConnection);
}

void TStatusPanel::setModelName(const QString &name)
{
    setField(m_model, name);
}

void TStatusPanel::setResultCount(int count)
{
    setField(m_results, Str::LineResults.arg(count));
}

void TStatusPanel::pollingStarted(const QString &port, int deviceNumber)
{
    m_port = port;
    // Once per start: the adapter's description comes from the system's device database.
    m_portCaption = PortCaption(port, DescribePort(port));
    m_device = Str::LineDevice.arg(deviceNumber);
    m_lastProblem.clear();
    m_status.started(monotonicMs());
    m_lastReplyAt = QTime();
    m_tick.start();
    refresh();
}

void TStatusPanel::pollingStopped()
{
    m_status.stopped();
    m_tick.stop();
    m_lastProblem.clear();
    refresh();
}

void TStatusPanel::cycle(bool resultDue, const QDateTime &lastResult)
{
    m_status.cycle(resultDue, lastResult, monotonicMs());
    scheduleRefresh();
}

void TStatusPanel::replyAccepted()
{
    m_status.accepted(monotonicMs());
    // The moment on the wall clock: a fact of the line, not a result's time stamp.
    m_lastReplyAt = QTime::currentTime();
    scheduleRefresh();
}

void TStatusPanel::replyDropped(TReplyVerdict why)
{
    m_status.dropped(why);
    scheduleRefresh();
}

void TStatusPanel::lineLost(int error)
{
    m_status.lost(error);
    m_lastProblem = PortProblem::describe(m_port, error);
    refresh();
}

void TStatusPanel::reconnectFailed(int error)
{
    if (error != 0)
        m_lastProblem = PortProblem::describe(m_port, error);
    refresh();
}

void TStatusPanel::lineRestored()
{
    m_status.restored(monotonicMs());
    m_lastProblem.clear();
    refresh();
}

void TStatusPanel::resultRejected(std::optional<uint16_t> status)
{
    m_status.rejected(status);
    scheduleRefresh();
}

QString TStatusPanel::stateText() const
{
    return m_state->text();
}

QStringList TStatusPanel::fieldTexts() const
{
    QStringList texts;
    for (const QLabel *l : findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!l->isHidden())
            texts << l->text();
    }
    return texts;
}

void TStatusPanel::refresh()
{
    m_refreshQueued = false;
    const TLineStatus::State state = m_status.state(monotonicMs());
    const bool polling = state != TLineStatus::State::Off;
    // The window's clock is read only for the countdown: a test's clock may move on reading.
    const QDateTime wall = state == TLineStatus::State::Countdown ? now() : QDateTime();
    setField(m_state, m_status.stateText(state, wall, m_portCaption));
    if (const TLineStatus::Tone tone = TLineStatus::toneOf(state); tone != m_tone) {
        m_tone = tone;
        paintTone(m_state, tone);
    }
    if (m_state->toolTip() != m_lastProblem)
        m_state->setToolTip(m_lastProblem);
    // While the port is being opened the state names it already.
    const bool portField = polling && state != TLineStatus::State::Opening;
    setField(m_portLabel, portField ? m_portCaption : QString());
    setField(m_deviceLabel, polling ? m_device : QString());
    if (polling || m_lastReplyAt.isValid())
        setField(m_lastReply, m_lastReplyAt.isValid()
                                  ? Str::LineLastReply.arg(FormatLongTime(m_lastReplyAt))
                                  : Str::LineNoReply);
    setField(m_rejected, m_status.rejectedText());
    setField(m_dropped, m_status.droppedText());
}
