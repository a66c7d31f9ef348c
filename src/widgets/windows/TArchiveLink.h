#pragma once

// A registration window's ties to the results archive and to the other ways out of the table:
// every accepted result, label change and file event goes to the record keeper (the journal,
// then the archive), and the archive's state shows in the status bar; "Архив…" finds
// archived results and opens or exports them; "Экспорт…", "Предварительный просмотр" and
// "Печать отчёта…" take the table itself out. The archive is opened only for a shown window,
// beside the recovery journal; a hidden instance never touches it.

#include <functional>
#include <optional>
#include <vector>

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QUuid>

#include "archive/HitRows.h"
#include "archive/TArchive.h"
#include "controls/TElidedLabel.h"
#include "export/TExportTable.h"
#include "session/TRecordKeeper.h"

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class TColorStringGrid;
class TQualityPanel;
class TServerView;
class TWindowSettings;
class TWindowStatus;
enum class TExportFormat;

class TArchiveLink : public QObject
{
    Q_OBJECT
public:
    // What the link is given of its window.
    struct Window
    {
        QMainWindow *main = nullptr; // the dialogs' parent, where the actions go
        QMenu *fileMenu = nullptr;
        TColorStringGrid *grid = nullptr;
        TQualityPanel *quality = nullptr;
        TWindowStatus *status = nullptr;
        std::function<const TWindowSettings &()> settings;
        std::function<QString()> fileName;
        std::function<QDateTime()> now;
        // The instrument's number as the number box shows it.
        std::function<QString()> deviceText;
        std::function<QMessageBox::StandardButton(QMessageBox::Icon, const QString &caption,
                                                  const QString &text,
                                                  QMessageBox::StandardButtons buttons)>
            messageBox;
        // Replaces the table by these rows under this name, as "Новый" makes a new table; false
        // when the operator kept the table.
        std::function<bool(THitRows rows, const QString &name)> openTable;
    };

    TArchiveLink(Window window, QObject *parent);
    ~TArchiveLink() override;

    // The instrument as chosen at start; it names the model of each archived result.
    void setModelName(const QString &name) { m_modelName = name; }
    QString modelName() const { return m_modelName; }

    TArchive &archive() { return m_archive; }
    TRecordKeeper &records() { return m_records; }
    QLabel *statusLabel() const { return m_status; }
    // The archive's copy on the server; nullptr when the settings name none.
    TServerView *serverView() const { return m_server; }

    // Opens the archive in the folder; the window calls it when it is shown.
    void start(const QString &folder);
    // Lets the archive go; the records it had to give up are reported.
    void finish();

    // Grid row `row` took result `decoded` at `at` and now reads `line`: journaled with its
    // row, then archived, before it shows.
    void resultRow(int row, const QDateTime &at, const TDecodedResult &decoded,
                   const QByteArray &line, const QString &port, int deviceNumber);
    // The label editor opened on a row with this text; closed with that text, the row now
    // reading `line`. True when the row went to the journal with the change.
    void editStarted(int row, const QString &text);
    bool editDone(int row, const QString &text, const QByteArray &line);
    void fileEvent(TArchiveFileEvent::Kind kind);
    // The table's rows no longer hold the archived results they held.
    void tableReplaced() { m_records.tableReplaced(); }
    QUuid rowResult(int row) const { return m_records.rowResult(row); }
    // Calls `then` each time the archive can be used again, while `context` lives: the parts
    // that keep tables beside the records write what waited for it.
    void whenUsable(QObject *context, std::function<void()> then);
    // The same, for a row of an opened table also found in the archive by what it shows.
    QUuid findRowResult(int row);

    void actArchiveExecute();
    void actExportExecute();
    void actPrintPreviewExecute();
    void actPrintReportExecute();
    // The archive dialog's two ways on.
    void openHits(const std::vector<TArchiveHit> &hits);
    void exportHits(const std::vector<TArchiveHit> &hits);

    QAction *actArchive = nullptr;
    QAction *actExport = nullptr;
    QAction *actPrintPreview = nullptr;
    QAction *actPrintReport = nullptr;

    // Marks the exports' and the report's table further (held results); none by default.
    std::function<void(TExportTable &table)> markExport;

    // Dialog hooks; tests replace them to answer without a person.
    std::function<QString(const QString &resultsFile, TExportFormat *format)> AskExportFileName;
    // Notes corrected values in what the exports and the report take out; unset, they take
    // the table as it is.
    std::function<void(TExportTable &)> markCorrections;

private:
    void showState();
    void nameViews();
    void handedOver(); // a record went to the archive
    bool exportTable(const TExportTable &table);
    // The results table as the exports and the report read it, the editor's text taken in.
    TExportTable gridTable() const;
    QStringList valueTitles() const;
    // What grid row `row` shows, to find its archived result by.
    TArchiveRowKey rowKey(int row) const;
    // The exports' and the report's protocol around the table.
    TExportTable withProtocol(TExportTable table) const;
    // The table with its protocol and its corrections marked, as exported and reported.
    TExportTable reportTable() const;

    Window m_window;
    TArchive m_archive;
    TRecordKeeper m_records{m_archive};
    QString m_modelName;
    bool m_viewsRemade = false;
    TElidedLabel *m_status = nullptr;
    TServerView *m_server = nullptr;
    int m_editRow = -1;
    QString m_editText;
};
