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
class QLabel;
class QDateEdit;
class QPushButton;
class QStackedWidget;
struct TExportTable;
enum class TExportFormat;

class TReceptionReportDialog : public QDialog
{
    Q_OBJECT
public:
    // The deliveries asked for; a word for the operator in `error` when they cannot be read.
    using Deliveries
        = std::function<QList<Delivery>(QDateTime from, QDateTime to, QString code, QString *error)>;
    enum class Mode { Day, Statement };

    TReceptionReportDialog(Deliveries deliveries, int eveningHour, QWidget *parent = nullptr);

    // Another place the deliveries can be read from (the server, of every station), chosen
    // under "Данные:"; the choice is shown only once there are two.
    void addSource(const QString &name, Deliveries deliveries);

    // The suppliers a statement can be of, (code, name), in the order listed.
    void setSuppliers(const QList<QPair<QString, QString>> &suppliers);
    // What a statement's header says of the laboratory, the instrument and the operator.
    void setHeaderFacts(const TProtocolHeader &facts);

    // The fields, for the tests.
    QComboBox *modeBox() const { return m_mode; }
    QComboBox *sourceBox() const { return m_source; }
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

    // The deliveries of the chosen source, or its error.
    QList<Delivery> read(const QDateTime &from, const QDateTime &to, const QString &code,
                         QString *error) const;

    QList<Deliveries> m_sources;
    QComboBox *m_source = nullptr;
    QLabel *m_sourceLabel = nullptr;
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
