#pragma once

// What a test protocol says besides its table: the laboratory and the instrument as the
// window's settings name them (section "Report": Laboratory=, Instrument=, Operator=), the
// model and the device number, the operator (the system user's full name unless the settings
// name one), the period of the rows, the norms in force, when it was printed and who signs.
// Facts nobody gave are left out; what is always known (model, period, printed date,
// signature) makes a protocol of a table whose settings have no "Report" section.

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

struct TExportTable;
class TIniPlus;
class TLimits;

struct TProtocolHeader
{
    static const QString Section; // "Report"

    QString laboratory;
    QString instrument;
    QString operatorName;
    QString model;
    QString deviceNumber;
    // The first and the last result time of the rows, as the table shows them; empty when no
    // row has a date and a time.
    QString periodFrom;
    QString periodTo;
    QStringList norms; // "Жир 2,80…6,00", one per column with a limit
    QDateTime printedAt;
    QLocale locale = QLocale::system();
    // The first line of the header; empty: "Протокол испытаний".
    QString title;
    // Who signs, a line each ("Сдал", "Принял"); none: the operator's signature line.
    QStringList signers;

    // Laboratory, Instrument and Operator from section "Report"; without an operator there,
    // the name the system holds for the user running the program.
    void readSettings(const TIniPlus &ini);
    // The period of the table's rows: the earliest and the latest date and time among them.
    void takePeriod(const TExportTable &table);
    // The limits of the table's shown columns, in column order.
    void takeNorms(const TLimits &limits, const TExportTable &table);

    // The lines under the title, in the order they are printed.
    QStringList lines() const;
    QString printedLine() const;
    QString signatureLine() const;
    QString titleLine() const;
    // The lines after the statistics: one per signer, or the operator's signature line.
    QStringList signatureLines() const;
};
