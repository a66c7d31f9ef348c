#pragma once

// SQLite's quick_check of the archive file, on a connection and a thread of its own, so that
// the window never waits for it. finished() comes on the thread that started the check.

#include <atomic>
#include <thread>

#include <QObject>
#include <QString>

class TArchiveQuickCheck : public QObject
{
    Q_OBJECT
public:
    explicit TArchiveQuickCheck(QObject *parent = nullptr);
    ~TArchiveQuickCheck() override; // waits for a check under way

    // Starts a check of the file, or another one after the check under way.
    void start(const QString &path);
    bool running() const { return m_running; }
    void wait();

    // What quick_check says of a file; empty when it finds it sound.
    static QString check(const QString &path);

signals:
    // problem: SQLite's first words about the damage; empty when the file is sound.
    void finished(const QString &problem);

private:
    std::thread m_thread;
    std::atomic<bool> m_running = false;
    QString m_again; // the file to check once the check under way is done
};
