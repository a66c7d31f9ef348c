#pragma once

// "Отчёты приёмки": the summary of a day or one of its shifts, a line per supplier, or a
// supplier's statement of a period; printed, or saved as PDF or XLSX. The deliveries come
// from whoever made the dialog (the local archive, a server), asked for by time (from, up to
// but not including to) and supplier code (empty: all).

#include <functional>

#include <QDialog>
#include <QList>
#include <QPair>

#include "export/TProtocolHeader.h"
#include "reception/Delivery.h"

class QComboBox;
class QDateEdit;
class QPushButton;
class QStackedWidget;
struct TExportTable;
enum class TExportFormat;

class TReceptionReportDialog : public QDialog
{
    Q_OBJECT
public:
    using Deliveries = std::function<QList<Delivery>(QDateTime from, QDateTime to, QString code)>;
    enum class Mode { Day, Statement };

    TReceptionReportDialog(Deliveries deliveries, int eveningHour, QWidget *parent = nullptr);

    // The suppliers a statement can be of, (code, name), in the order listed.
    void setSuppliers(const QList<QPair<QString, QString>> &suppliers);
    // What a statement's header says of the laboratory, the instrument and the operator.
    void setHeaderFacts(const TProtocolHeader &facts);

    // The fields, for the tests.
    QComboBox *modeBox() const { return m_mode; }
    QDateEdit *dayEdit() const { return m_day; }
    QComboBox *shiftBox() const { return m_shift; } // whole day, morning, evening
    QComboBox *supplierBox() const { return m_supplier; }
    QDateEdit *fromEdit() const { return m_from; }
    QDateEdit *toEdit() const { return m_to; }

    // The report the fields describe, its deliveries asked for now; false with a message
    // when the fields do not make one (no supplier, a period that ends before it begins).
    bool report(TExportTable *table, QString *error) const;
    // Writes the report; false with a message for the operator.
    bool savePdf(const QString &path, QString *error) const;
    bool saveXlsx(const QString &path, QString *error) const;

public slots:
    void print();
    void askPdf();
    void askXlsx();

private:
    Mode mode() const;
    void buildFields();
    void showError(const QString &error);
    QString askName(const QString &filter, TExportFormat format);

    Deliveries m_deliveries;
    int m_eveningHour = 0;
    TProtocolHeader m_facts;
    QList<QPair<QString, QString>> m_suppliers;
    QComboBox *m_mode = nullptr;
    QStackedWidget *m_pages = nullptr;
    QDateEdit *m_day = nullptr;
    QComboBox *m_shift = nullptr;
    QComboBox *m_supplier = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
};
