#pragma once

// The archive search over the server, off the UI thread: each request runs on a thread of its
// own with its own connection (a TServerArchiveReader there), and its answer comes back as a
// signal. A request is bounded as the replication's statements are (the connection's bounds,
// and a guard that cuts a statement the server does not finish in time); cancel() cuts the
// one running at once and drops its answer. The window never waits for the server, also not
// when the search is closed in the middle of one.

#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QStringList>

#include "archive/ArchiveRecords.h"
#include "server/ServerLink.h"

class QThread;
class StatementGuard;
class TServerArchiveReader;

class TServerSearch : public QObject
{
    Q_OBJECT
public:
    explicit TServerSearch(const QString &conninfo, const ServerLink::Limits &limits = {},
                           QObject *parent = nullptr);
    // Cuts what runs and lets the thread end on its own after StopWaitMs.
    ~TServerSearch() override;

    static constexpr int StopWaitMs = 30;

    bool busy() const { return m_running > 0; }

    void search(const TArchiveQuery &query);
    void readModels();
    void loadDetails(const std::vector<TArchiveHit> &hits);
    void readHistory(qint64 id);
    // Drops the answers of everything asked so far and cuts the statement running.
    void cancel();

signals:
    // error: what the server or libpq said, empty when all went well.
    void searched(const TArchiveSearchResult &result);
    void modelsRead(const QStringList &models);
    void detailsLoaded(const std::vector<TArchiveHit> &hits, const QString &error);
    void historyRead(qint64 id, const std::vector<TArchiveLabelEntry> &entries,
                     const QString &error);
    void busyChanged(bool busy);

private:
    struct Shared;
    // Runs work on the thread with the reader; its answer reaches the caller through deliver,
    // on this object's thread, unless cancelled meanwhile.
    void run(std::function<std::function<void()>(TServerArchiveReader &)> work);

    std::shared_ptr<Shared> m_shared;
    QThread *m_thread = nullptr;
    QObject *m_context = nullptr; // lives on the thread: the queued calls run there
    int m_running = 0;
};
