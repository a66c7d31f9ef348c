// Milk reception in the registration window: the part is made from the settings, and its
// dialogs are handed the archive and the window as their parent.

#include <QPair>
#include <QSqlDatabase>

#include "archive/TArchive.h"
#include "export/TProtocolHeader.h"
#include "reception/ReceptionStore.h"
#include "reception/TReceptionReportDialog.h"
#include "text/Strings.h"
#include "windows/TArchiveLink.h"
#include "windows/TCalibrationPart.h"
#include "windows/TQualityPanel.h"
#include "windows/TReceptionPart.h"
#include "windows/TRegistrationWindow.h"

void TRegistrationWindow::partsTableReplaced()
{
    if (m_calibration)
        m_calibration->tableCleared();
    if (m_reception)
        m_reception->tableCleared();
}

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
            [archive](QDateTime from, QDateTime to, QString code) {
                QSqlError error;
                return ReceptionStore::deliveries(archive->sideTables(), from, to, code, &error);
            },
            m_reception->settings().eveningHour, this);
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
}
