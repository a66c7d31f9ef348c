#include "server/TServerSearch.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include <QThread>
#include <QTimer>

#include "server/StatementGuard.h"
#include "server/TServerArchiveReader.h"
#include "text/ServerStrings.h"

// What the thread and this object share; the thread may outlive this object.
struct TServerSearch::Shared
{
    QString conninfo;
    ServerLink::Limits limits;
    StatementGuard guard;
    std::unique_ptr<TServerArchiveReader> reader; // made and ended on the thread
    std::atomic_int generation = 0;
    std::mutex mutex;
    TServerSearch *front = nullptr; // cleared by the destructor, under the mutex
};

TServerSearch::TServerSearch(const QString &conninfo, const ServerLink::Limits &limits,
                             QObject *parent)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>())
    , m_thread(new QThread)
    , m_context(new QObject)
{
    m_shared->conninfo = conninfo;
    m_shared->limits = limits;
    m_shared->front = this;
    m_thread->setObjectName(QStringLiteral("archive-search"));
    m_context->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    auto *watch = new QTimer(this);
    connect(watch, &QTimer::timeout, this, [shared = m_shared] { shared->guard.check(); });
    watch->start(std::max(50, std::min(500, limits.statementBoundMs() / 4)));
    m_thread->start(QThread::LowPriority);
}

TServerSearch::~TServerSearch()
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->front = nullptr;
    }
    ++m_shared->generation;
    m_shared->guard.cut();
    // The reader's connection ends on the thread that made it.
    QMetaObject::invokeMethod(
        m_context, [shared = m_shared] { shared->reader.reset(); }, Qt::QueuedConnection);
    m_thread->quit();
    m_thread->wait(StopWaitMs);
}

void TServerSearch::run(std::function<std::function<void()>(TServerArchiveReader &)> work)
{
    const int generation = m_shared->generation;
    if (m_running++ == 0)
        emit busyChanged(true);
    QMetaObject::invokeMethod(
        m_context,
        [shared = m_shared, generation, work = std::move(work)] {
            std::function<void()> answer;
            if (generation == shared->generation) {
                if (!shared->reader) {
                    shared->reader = std::make_unique<TServerArchiveReader>(shared->conninfo,
                                                                            shared->limits.bounds);
                    shared->reader->setGuard(&shared->guard);
                }
                shared->guard.arm(shared->limits.statementBoundMs());
                answer = work(*shared->reader);
                shared->guard.disarm();
            }
            std::lock_guard lock(shared->mutex);
            if (!shared->front)
                return;
            QMetaObject::invokeMethod(
                shared->front,
                [front = shared->front, generation, answer = std::move(answer)] {
                    if (answer && generation == front->m_shared->generation)
                        answer();
                    if (--front->m_running == 0)
                        emit front->busyChanged(false);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void TServerSearch::search(const TArchiveQuery &query)
{
    run([this, query](TServerArchiveReader &reader) -> std::function<void()> {
        TArchiveSearchResult found = reader.search(query);
        return [this, found = std::move(found)] { emit searched(found); };
    });
}

void TServerSearch::readModels()
{
    run([this](TServerArchiveReader &reader) -> std::function<void()> {
        const QStringList models = reader.models();
        return [this, models] { emit modelsRead(models); };
    });
}

void TServerSearch::loadDetails(const std::vector<TArchiveHit> &hits)
{
    // A copy of its own (a captured const reference would stay const) takes the details.
    run([this, hits = std::vector<TArchiveHit>(hits)](
            TServerArchiveReader &reader) mutable -> std::function<void()> {
        QString error;
        if (!reader.loadDetails(hits, &error) && error.isEmpty())
            error = Str::CauseConnectionLost;
        return [this, hits = std::move(hits), error] { emit detailsLoaded(hits, error); };
    });
}

void TServerSearch::readHistory(qint64 id)
{
    run([this, id](TServerArchiveReader &reader) -> std::function<void()> {
        QString error;
        std::vector<TArchiveLabelEntry> entries = reader.labelHistory(id, &error);
        return [this, id, entries = std::move(entries), error] {
            emit historyRead(id, entries, error);
        };
    });
}

void TServerSearch::cancel()
{
    ++m_shared->generation;
    m_shared->guard.cut(true);
}
