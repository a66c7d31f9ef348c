#pragma once

// Runs TArchiveCheck on a thread of its own, so neither the UI thread nor the poller ever
// waits for a look over the whole archive. Requests made while a check runs make one more
// check after it, not one each. Results come back as checked() on the owner's thread.

#include <atomic>
#include <condition_variable>
#include <mutex>

#include <QObject>
#include <QString>

#include "archive/TArchiveCheck.h"

class QThread;

class TArchiveWatch : public QObject
{
    Q_OBJECT
public:
    explicit TArchiveWatch(QObject *parent = nullptr);
    ~TArchiveWatch() override;

    // Watches the file at path (stopping any earlier watch) and checks it once.
    void start(const QString &path);
    // Gives up a check in progress and ends the thread.
    void stop();
    void request();
    bool running() const { return m_thread != nullptr; }

signals:
    void checked(const TArchiveCheckResult &result);

private:
    void loop(const QString &path);

    QThread *m_thread = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_wanted = false;
    std::atomic_bool m_stopping = false;
};
