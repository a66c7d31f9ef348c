#pragma once

// "Архив…": finds archived results by a part of the label (any case), a date range and the
// instrument; lists them with their values and whether the label was changed; shows a label's
// history on demand; hands the chosen results on to be opened as a table or exported.

#include <vector>

#include <QDialog>

#include "archive/ArchiveRecords.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QTableWidget;
class TArchiveModel;
class TArchiveReader;
class TServerSearch;

class TArchiveDialog : public QDialog
{
    Q_OBJECT
public:
    // The reader answers the searches; it must outlive the dialog.
    explicit TArchiveDialog(TArchiveReader *reader, QWidget *parent = nullptr);

    // The titles of the value columns, value 0 first (the window's column titles from
    // "Температура" on).
    void setValueTitles(const QStringList &titles);
    // A second reader, the server's: the dialog then asks where to search, this station or the
    // server with every station's results. It must outlive the dialog.
    void setServerReader(TArchiveReader *server);
    // The server searched off the UI thread: the answers come when they come, a bar runs
    // meanwhile and "Отменить" drops the request. It must outlive the dialog.
    void setServerSearch(TServerSearch *search);
    // The newest this many results are listed.
    void setLimit(int limit) { m_limit = limit; }

    // The fields, for the window's wiring and the tests.
    QLineEdit *labelEdit() const { return m_label; }
    QCheckBox *fromCheck() const { return m_fromCheck; }
    QDateEdit *fromEdit() const { return m_from; }
    QCheckBox *toCheck() const { return m_toCheck; }
    QDateEdit *toEdit() const { return m_to; }
    QComboBox *modelBox() const { return m_model; }
    QComboBox *whereBox() const { return m_where; } // hidden without a server
    QTableView *view() const { return m_view; }
    TArchiveModel *model() const { return m_hits; }
    QTableWidget *historyView() const { return m_history; }
    QLabel *historyTitle() const { return m_historyTitle; }
    QLabel *statusLabel() const { return m_status; }
    QPushButton *findButton() const { return m_find; }
    QPushButton *historyButton() const { return m_historyButton; }
    QPushButton *openButton() const { return m_open; }
    QPushButton *exportButton() const { return m_export; }
    QProgressBar *progressBar() const { return m_progress; }
    QPushButton *cancelButton() const { return m_cancel; }

    // The query the fields describe.
    TArchiveQuery query() const;
    // The chosen results, in the order listed, with everything the archive holds of them
    // (without it when the server is searched through a TServerSearch: handOn asks for it).
    std::vector<TArchiveHit> selectedHits();

public slots:
    void find();
    void showHistory();

signals:
    void openAsTableRequested(const std::vector<TArchiveHit> &hits);
    void exportRequested(const std::vector<TArchiveHit> &hits);

private:
    void buildFields();
    void buildButtons();
    void fillModels();
    void addModels(const QStringList &models);
    void whereChanged(int index);
    void selectionChanged();
    void handOn(bool toTable);
    void showFound(TArchiveSearchResult found);
    void showEntries(const QString &firstLabel, const std::vector<TArchiveLabelEntry> &entries,
                     const QString &error);
    void showFailure(const QString &error);
    void connectSearch();

    TArchiveReader *m_reader = nullptr; // the one searched now
    TArchiveReader *m_local = nullptr;
    TArchiveReader *m_server = nullptr;
    TServerSearch *m_search = nullptr;
    bool m_onServer = false;    // the server is searched (through m_search when m_reader is null)
    bool m_handOnTable = false; // what the details asked of the server are for
    QString m_historyLabel;
    bool m_serverModels = false; // the server's instruments are in the list
    int m_limit = 1000;
    QLineEdit *m_label = nullptr;
    QCheckBox *m_fromCheck = nullptr;
    QDateEdit *m_from = nullptr;
    QCheckBox *m_toCheck = nullptr;
    QDateEdit *m_to = nullptr;
    QComboBox *m_model = nullptr;
    QLabel *m_whereLabel = nullptr;
    QComboBox *m_where = nullptr;
    QPushButton *m_find = nullptr;
    QTableView *m_view = nullptr;
    TArchiveModel *m_hits = nullptr;
    QLabel *m_historyTitle = nullptr;
    QTableWidget *m_history = nullptr;
    QWidget *m_historyPane = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_historyButton = nullptr;
    QPushButton *m_open = nullptr;
    QPushButton *m_export = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_cancel = nullptr;
};
