#pragma once

// "Загрузка тарифа": a rate table's CSV file, the moment it is in force from and the milk type
// it is for (none: every type). The dialog shows what it made of the file, the table or the
// line that is wrong, and lets it be loaded only when it reads; where it goes is whoever made
// the dialog's business (the save hook).

#include <functional>
#include <optional>

#include <QDialog>

#include "reception/RateTable.h"

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;

class TRateImportDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TRateImportDialog(QWidget *parent = nullptr);

    // Keeps the table with the text it was read from; the error for the operator, or empty.
    std::function<QString(const RateTable &, const QString &csvText)> save;
    // The file to read, empty when the operator gives up; a file dialog unless the tests
    // replace it.
    std::function<QString()> askFileName;

    // Reads the file and shows what is in it.
    void openFile(const QString &path);
    // The table the fields make, none while the file does not read.
    std::optional<RateTable> table() const;

    // The fields, for the tests.
    QLineEdit *fileEdit() const { return m_file; }
    QDateTimeEdit *validFromEdit() const { return m_validFrom; }
    QLineEdit *milkTypeEdit() const { return m_milkType; }
    QLabel *summary() const { return m_summary; }
    QPushButton *loadButton() const { return m_load; }

public slots:
    void chooseFile();
    void load();

private:
    void showSummary(const QString &text, bool wrong);

    std::optional<RateTable> m_read;
    QString m_text;
    QLineEdit *m_file = nullptr;
    QDateTimeEdit *m_validFrom = nullptr;
    QLineEdit *m_milkType = nullptr;
    QLabel *m_summary = nullptr;
    QPushButton *m_load = nullptr;
};
