#include "archive/TArchiveWatch.h"

#include <QThread>

TArchiveWatch::TArchiveWatch(QObject *parent)
    : QObject(parent)
{}

TArchiveWatch::~TArchiveWatch()
{
    stop();
}

void TArchiveWatch::start(const QString &path)
{
    stop();
    m_stopping = false;
    m_wanted = true;
    m_thread = QThread::create([this, path] { loop(path); });
    m_thread->setObjectName(QStringLiteral("archive-check"));
    m_thread->start(QThread::LowPriority);
}

void TArchiveWatch::stop()
{
    if (!m_thread)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
}

void TArchiveWatch::request()
{
    {
        std::lock_guard lock(m_mutex);
        m_wanted = true;
    }
    m_wake.notify_all();
}

void TArchiveWatch::loop(const QString &path)
{
    TArchiveCheck check(path);
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_wanted || m_stopping; });
            if (m_stopping)
                return;
            m_wanted = false;
        }
        const TArchiveCheckResult result = check.run(&m_stopping);
        if (m_stopping)
            return;
        // Dropped unheard when this object is gone by the time the call is due.
        QMetaObject::invokeMethod(
            this, [this, result] { emit checked(result); }, Qt::QueuedConnection);
    }
}
