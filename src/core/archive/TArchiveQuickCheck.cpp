#include "archive/TArchiveQuickCheck.h"

#include <utility>

#include <QFileInfo>
#include <QMetaObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

TArchiveQuickCheck::TArchiveQuickCheck(QObject *parent)
    : QObject(parent)
{}

TArchiveQuickCheck::~TArchiveQuickCheck()
{
    wait();
}

void TArchiveQuickCheck::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

QString TArchiveQuickCheck::check(const QString &path)
{
    static std::atomic<int> serial = 0;
    const QString name = QStringLiteral("reg01-check-%1").arg(++serial);
    QString problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        // A file gone is the file watch's to tell; opening it here would make an empty one.
        if (!QFileInfo::exists(path)) {
        } else if (!db.open()) {
            problem = db.lastError().text();
        } else {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("PRAGMA quick_check")))
                problem = q.lastError().text();
            else if (q.next() && q.value(0).toString() != QLatin1String("ok"))
                problem = q.value(0).toString();
            // A lock held elsewhere is not damage: it is looked at again next time.
            if (q.lastError().nativeErrorCode() == QLatin1String("5"))
                problem.clear();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return problem;
}

void TArchiveQuickCheck::start(const QString &path)
{
    // One asked for while another runs follows it: the one running may have read the file
    // before what made the caller ask.
    if (m_running) {
        m_again = path;
        return;
    }
    wait();
    m_running = true;
    m_thread = std::thread([this, path] {
        const QString problem = check(path);
        // Delivered on the owner's thread; the destructor joins first, so `this` is whole.
        QMetaObject::invokeMethod(
            this,
            [this, problem] {
                m_running = false;
                emit finished(problem);
                if (!m_again.isEmpty())
                    start(std::exchange(m_again, QString()));
            },
            Qt::QueuedConnection);
    });
}
