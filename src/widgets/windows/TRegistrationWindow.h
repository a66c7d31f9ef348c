#pragma once

// What the two registration windows share: the toolbar and menus, the results table and its
// file, printing, the poll button with its port menu, the result exchange with its pacing, the
// recovery journal and the save prompts. A window states its columns, settings extras, width
// rule, print columns and its row decoder.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include <QDateTime>
#include <QMainWindow>
#include <QMessageBox>

#include "archive/HitRows.h"
#include "results/TJournal.h"
#include "results/TPrintLayout.h"
#include "session/TResultExchange.h"
#include "session/TWindowSettings.h"
#include "windows/TChangedFlag.h"
#include "windows/TRegistrationUi.h"

class ChartLinks;
class ControlStatus;
class QEventLoop;
class TArchiveLink;
class TCalibrationPart;
class TColumnWidths;
class TIniPlus;
class TJournalKeeper;
class TOpPoller;
class TReceptionPart;
class TTableNotes;
class TWindowStatus;

class TRegistrationWindow : public QMainWindow, public TRegistrationUi
{
    Q_OBJECT
public:
    ~TRegistrationWindow() override;

    // Shows the window application-modal and returns when it has closed.
    void ShowModal();

    // The program's own folder; where its files go is ProgramFolders' business.
    static QString ProgramDir();
    static void SetProgramDir(const QString &dir); // tests and the demo folder

    // The hidden start-up windows keep no table once their creation has run.
    void releaseTable();

    // The clock, replaceable so that tests cross the two-minute pacing without waiting.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

    QString FileName() const { return m_fileName; }
    bool Changed() const { return m_changed; }
    QString IniPath() const { return m_settings ? m_settings->path() : QString(); }
    // The settings file as the window read it when it was made; the window's parts read their
    // keys here and write them through it.
    TWindowSettings &settings() const { return *m_settings; }
    // The status bar, where every part of the window shows its state.
    TWindowStatus &status() const { return *m_status; }
    TOpPoller *Poller() const { return m_poller; }
    // Calibration against reference samples; nullptr unless the settings turn it on.
    TCalibrationPart *calibration() const { return m_calibration; }
    // Milk reception; nullptr unless the settings turn it on.
    TReceptionPart *reception() const { return m_reception; }
    // The archive, the exports and the report print of this window.
    TArchiveLink *ArchiveLink() const { return m_archiveLink; }
    // The window's charts; nullptr when its settings ask for none or Qt Charts is missing.
    ChartLinks *Charts() const { return m_charts; }
    // When the last result was taken (the window's clock); invalid before the first.
    QDateTime LastResult() const;
    // The instrument chosen at start: the archive names results after it, the status bar shows
    // it; the caption does not.
    void setModelName(const QString &name);
    // Rows made elsewhere (archived results) replace the table under `name`, as "Новый" makes
    // a new table: unsaved results are offered for saving first; false when they were kept.
    bool openTable(THitRows rows, const QString &name);

    // Handlers, named as the window always named them.
    void FormResize();
    void actNewExecute();
    void actOpenFileExecute();
    void actSaveExecute();
    void actSaveAsExecute();
    void actPrintExecute();
    void actOprExecute();
    void mnAboutClick();
    void MainGridSelectCell(int col, int row, bool &canSelect);
    void MainGridGetEditText(int col, int row, QString &value);

    // Dialog hooks; tests replace them to answer without a person.
    std::function<QMessageBox::StandardButton(QMessageBox::Icon, const QString &caption,
                                              const QString &text,
                                              QMessageBox::StandardButtons buttons)>
        MessageBox;
    std::function<QString(const QString &current)> AskOpenFileName;
    std::function<QString(const QString &current)> AskSaveFileName;
    // The informative text of the next message box (why a port did not open); the real box
    // takes it, a test's box leaves it to be read.
    QString BoxDetails;
    QString takeBoxDetails() { return std::exchange(BoxDetails, QString()); }

signals:
    void modelNameChanged(const QString &name);
    // A result that gets no row: the status the instrument marked it with, or nothing when
    // it does not decode.
    void resultRejected(std::optional<uint16_t> status);

protected:
    // wantedWidth: how wide the window's width rule would like it (see setupUi).
    TRegistrationWindow(const QString &objectName, int wantedWidth, QWidget *parent);

    // The second step of creation, once the derived window has made its poller.
    // The family's decoder reads the poller's result replies.
    void FormCreate(TOpPoller *poller, int colCount, const QString &iniName,
                    std::unique_ptr<TResultDecoder> decoder);

    virtual void ReadExtraSettings(const TIniPlus &) {}
    virtual void WriteExtraSettings(TIniPlus &) {}
    virtual void SetTitles() = 0;
    virtual void ApplyWidthRule() = 0;
    virtual std::vector<TPrintColumn> PrintColumns(int pageWidth) const = 0;

    // Poller events, the same in both windows.
    void PollerStarting();
    void PollerStoping();
    void PollerErrorOpenPort();
    void PollerGetNumber();
    // The result exchange: a fetched result is decoded and confirmed; the confirmation's reply
    // ends the exchange.
    void PollerPutResult();

    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    bool LoadFile(const QString &path);
    bool SaveFile(const QString &path);
    void SetCaption();

private:
    // Writes a result into the open row, date and time from one reading of the clock, and
    // ends the table in a new open row.
    void addResultRow(const QDateTime &now, const TDecodedResult &result);
    bool askToSave(QMessageBox::StandardButtons buttons, bool *cancelled,
                   const QString &text = QString());
    // A question or a file dialog is open: no new result is asked for meanwhile.
    QMessageBox::StandardButton ask(QMessageBox::Icon icon, const QString &caption,
                                    const QString &text, QMessageBox::StandardButtons buttons);
    // A file that does not look like a results table (another program's document) is opened,
    // and the first time saved over, only when the operator agrees: the name, or empty.
    QString agreeToOpen(const QString &path);
    bool agreeToSaveOver(const QString &path);
    // A results file of the other window's instrument is opened only when the operator
    // agrees: the name, or empty.
    QString agreeToFamily(const QString &path);
    // The close's question about the table, asked again while results come meanwhile; false
    // when the window stays.
    bool agreeToClose();
    // Results that came while a question was open and are not saved: their lines, to be
    // carried into the table the operator ends up with.
    std::vector<QByteArray> takeLateLines();
    // Adds lines after the table's rows and starts the journal again from the table's base
    // with the rows added, in one write.
    void carryLines(bool fromFile, const std::vector<QByteArray> &lines);
    void clearTable();
    // The parts that mark rows forget the rows of a table that was replaced.
    void partsTableReplaced();
    // Reception's dialogs, where the window hands it the archive and its parents.
    void makeReception();
    // The archive's ties to this window; its record keeper writes through the journal.
    void makeArchiveLink();
    // The recovery journal: opened when the window is shown, never for the hidden instances.
    void startJournal();
    void replayJournal(const std::vector<TJournal::Record> &records);
    // Rows given back after the results file changed or went missing: added after its rows,
    // or opened as a table of their own; the operator is told which.
    void replayOntoOtherFile(const TJournal::Record &base, bool missing,
                             const std::vector<TJournal::Record> &records);
    void journalRow(int row);
    // The archive's records, then row `row` when it is one of the table's, in one write.
    bool journalWrite(const std::vector<TJournal::Record> &archived, int row,
                      const QByteArray &line);
    void journalBase(bool fromFile);

    TOpPoller *m_poller = nullptr;
    TArchiveLink *m_archiveLink = nullptr;
    ControlStatus *m_control = nullptr;        // only with control materials in the settings
    TCalibrationPart *m_calibration = nullptr; // only when the settings turn calibration on
    TReceptionPart *m_reception = nullptr;     // only when the settings turn reception on
    ChartLinks *m_charts = nullptr; // only with Qt Charts and a chart the settings ask for
    QString m_fileName;
    std::unique_ptr<TWindowSettings> m_settings;
    std::unique_ptr<TWindowStatus> m_status;
    std::unique_ptr<TTableNotes> m_notes;
    QString m_journalPath;
    std::unique_ptr<TJournalKeeper> m_keeper;
    bool m_replaying = false;
    int m_asking = 0;            // questions and file dialogs open
    std::vector<int> m_lateRows; // grid rows of results that came while one was open
    bool m_creating = false;
    QString m_deferredError; // a load error met at creation, shown with the window
    TChangedFlag m_changed;
    TColumnWidths *m_columnWidths = nullptr;
    QString m_foreignOk; // a file not like a table that the operator agreed to save over
    std::unique_ptr<TResultExchange> m_exchange;
    QEventLoop *m_modalLoop = nullptr;
};
