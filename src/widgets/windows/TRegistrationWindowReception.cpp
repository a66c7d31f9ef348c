// Milk reception in the registration window: the part is made from the settings, and its
// dialogs are handed the archive and the window as their parent.

#include <QPair>
#include <QSqlDatabase>
#include <QSqlError>

#include "archive/DatabaseConnection.h"
#include "archive/OsUser.h"
#include "archive/TArchive.h"
#include "export/TProtocolHeader.h"
#include "reception/ReceptionStore.h"
#include "reception/TRateImportDialog.h"
#include "reception/TReceptionReportDialog.h"
#include "reception/TSupplierRegisterDialog.h"
#include "server/ConnInfo.h"
#include "server/ServerConfig.h"
#include "server/ServerReception.h"
#include "text/ReceptionStrings.h"
#include "text/Strings.h"
#include "windows/TArchiveLink.h"
#include "windows/TCalibrationPart.h"
#include "windows/TQualityPanel.h"
#include "windows/TReceptionPart.h"
#include "windows/TRegistrationWindow.h"
#include "windows/TServerView.h"

void TRegistrationWindow::partsTableReplaced()
{
    if (m_calibration)
        m_calibration->tableCleared();
    if (m_reception)
        m_reception->tableCleared();
}

namespace {
// Why the archive did not take what a dialog keeps, for the operator.
QString notKept(const QSqlError &error, TArchive *archive)
{
    return error.text().isEmpty() ? archive->statusText() : error.text();
}
// The deliveries of every station, read from the server over a connection of their own, which
// the bounds keep from waiting long on a server that does not answer.
TReceptionReportDialog::Deliveries serverDeliveries(const QString &conninfo)
{
    return [conninfo](QDateTime from, QDateTime to, QString code, QString *error) {
        const DatabaseConnection connection(QStringLiteral("QPSQL"),
                                            QStringLiteral("reception-reports"));
        QSqlDatabase db = connection.database();
        db.setConnectOptions(conninfo);
        if (!db.open()) {
            *error = ServerConfig::redacted(db.lastError().text());
            return QList<Delivery>();
        }
        QSqlError failed;
        const QList<Delivery> got = ServerReception::deliveries(db, from, to, code, &failed);
        if (failed.isValid())
            *error = ServerConfig::redacted(failed.text());
        return got;
    };
}
} // namespace

void TRegistrationWindow::makeReception()
{
    m_reception = TReceptionPart::fromSettings(
        m_settings->ini(), MainGrid, m_status.get(), m_archiveLink, qualityPanel->serviceMenu(),
        [this] { return Now(); }, this);
    if (!m_reception)
        return;
    m_reception->AskSecond = [this](const QString &question) {
        return ask(QMessageBox::Question, Str::Confirm, question, QMessageBox::Yes | QMessageBox::No)
               == QMessageBox::Yes;
    };
    TArchive *archive = &m_archiveLink->archive();
    m_reception->openReports = [this, archive] {
        TReceptionReportDialog dialog(
            [archive](QDateTime from, QDateTime to, QString code, QString *error) {
                const QSqlDatabase db = archive->sideTables();
                if (!db.isValid()) {
                    *error = archive->statusText();
                    return QList<Delivery>();
                }
                QSqlError failed;
                const QList<Delivery> got = ReceptionStore::deliveries(db, from, to, code, &failed);
                if (failed.isValid())
                    *error = failed.text();
                return got;
            },
            m_reception->settings().eveningHour, this);
        if (const TServerView *server = m_archiveLink->serverView())
            dialog.addSource(ReceptionStrings::SourceServer,
                             serverDeliveries(ConnInfo::withBounds(server->conninfo())));
        QSqlError error;
        QList<QPair<QString, QString>> suppliers;
        for (const Supplier &s : ReceptionStore::suppliers(archive->sideTables(), &error))
            suppliers.append({s.code, s.name});
        dialog.setSuppliers(suppliers);
        TProtocolHeader facts;
        facts.readSettings(m_settings->ini());
        facts.model = m_archiveLink->modelName();
        dialog.setHeaderFacts(facts);
        m_reception->RunDialog(dialog);
    };
    m_reception->openRegister = [this, archive] {
        TSupplierRegisterDialog dialog(this);
        // A register that cannot be read is said so: its empty list would let a code that is
        // there be added again.
        dialog.load = [archive, &dialog] {
            const QSqlDatabase db = archive->sideTables();
            QSqlError error;
            const QList<Supplier> got = db.isValid() ? ReceptionStore::suppliers(db, &error)
                                                     : QList<Supplier>();
            if (!db.isValid() || error.isValid())
                dialog.showMessage(notKept(error, archive));
            return got;
        };
        dialog.save = [this, archive](const Supplier &s) {
            QSqlError error;
            const bool kept = ReceptionStore::addSupplier(archive->sideTables(), s, osUserName(),
                                                          Now(), &error)
                              > 0;
            return kept ? QString() : notKept(error, archive);
        };
        dialog.history = [archive](const QString &code) {
            QSqlError error;
            return ReceptionStore::supplierHistory(archive->sideTables(), code, &error);
        };
        m_reception->RunDialog(dialog);
        m_reception->reload();
    };
    m_reception->importRates = [this, archive] {
        TRateImportDialog dialog(this);
        dialog.save = [this, archive](const RateTable &table, const QString &csv) {
            QSqlError error;
            const bool kept = ReceptionStore::addRateTable(archive->sideTables(), table, csv,
                                                           osUserName(), Now(), &error)
                              > 0;
            return kept ? QString() : notKept(error, archive);
        };
        m_reception->RunDialog(dialog);
        m_reception->reload();
    };
}
