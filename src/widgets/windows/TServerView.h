#pragma once

// A registration window's tie to the archive's copy on the PostgreSQL server. Made only when
// the window's settings file names a server ("Archive"/"Server"): then the local archive is
// sent there in the background, the status bar shows how far the server is behind, and each
// record handed to the archive is sent at once instead of at the next look. Without the key
// there is nothing of this: no label, no thread, no connection. The status keeps to one line,
// cut with its whole text in the tooltip where the status bar has no room for it.

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QString>

#include "controls/TElidedLabel.h"

class TIniPlus;
class TServerReplicator;
class TWindowStatus;

class TServerView : public QObject
{
    Q_OBJECT
public:
    // The view for the window's settings file; nullptr when it names no server or the archive
    // has no file.
    static TServerView *fromSettings(TWindowStatus *status, const TIniPlus &ini,
                                     const QString &archivePath, QObject *parent);
    // Takes the status label off the status bar and stops the sending.
    ~TServerView() override;

    // A record was handed to the archive: send it now.
    void nudge();

    QString conninfo() const { return m_conninfo; }
    QLabel *statusLabel() const { return m_status; }
    TServerReplicator *replicator() const { return m_replicator; }

private:
    TServerView(TWindowStatus *status, const QString &conninfo, const QString &archivePath,
                QObject *parent);
    void showStatus(const QString &text);

    QString m_conninfo;
    TServerReplicator *m_replicator = nullptr;
    QPointer<TElidedLabel> m_status; // the window's status bar may go first
};
