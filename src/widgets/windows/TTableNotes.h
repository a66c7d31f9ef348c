#pragma once

// What a registration window tells about the bytes of rows that came from elsewhere: rows that
// lost their control characters are noted in the status bar; characters the results file
// cannot hold are told when the rows come and asked about again at saving, where they are
// written as "?" only when the operator agrees.

#include <functional>
#include <vector>

#include <QMessageBox>
#include <QString>

#include "table/CellText.h"

class QLabel;
class TWindowStatus;

class TTableNotes
{
public:
    using Box = std::function<QMessageBox::StandardButton(QMessageBox::Icon, const QString &caption,
                                                          const QString &text,
                                                          QMessageBox::StandardButtons buttons)>;
    // `tell` shows a message; `ask` puts a question that holds results back while it is open.
    TTableNotes(TWindowStatus *status, Box tell, Box ask);

    void rowsTaken(const std::vector<int> &cleanedRows, const std::vector<TUnheldRow> &unheld);
    void rowsCleaned(const std::vector<int> &gridRows);
    // The operator typed the row's label anew: it is theirs, "?" and all.
    void rowRetyped(int gridRow);
    // The table was replaced or saved with the operator's agreement.
    void clear() { m_unheld.clear(); }
    // A save of a table of rowCount grid rows may go on.
    bool agreeToSave(int rowCount);

private:
    TWindowStatus *m_status = nullptr;
    Box m_tell;
    Box m_ask;
    std::vector<TUnheldRow> m_unheld; // rows holding what the file cannot, shown as "?"
    QLabel *m_note = nullptr;         // made with the first note
};
