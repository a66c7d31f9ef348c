#pragma once

// What the two registration windows share: the toolbar and menus, the results table and its
// file, printing, the poll button with its port menu, the pacing of result requests and the
// save prompts. A window states its columns, settings extras, width rule, print columns and
// reply decoding.

#include <functional>
#include <vector>

#include <QDateTime>
#include <QMainWindow>
#include <QMessageBox>

#include "results/TJournal.h"
#include "results/TPrintLayout.h"

class QAction;
class QEventLoop;
class QMenu;
class QToolBar;
class QToolButton;
class TColorStringGrid;
class TIniPlus;
class TNumberEdit;
class TOpPoller;

class TRegistrationWindow : public QMainWindow
{
    Q_OBJECT
public:
    ~TRegistrationWindow() override;

    // Shows the window application-modal and returns when it has closed.
    void ShowModal();

    // The folder holding the program's settings files (the program's own folder).
    static QString ProgramDir();
    static void SetProgramDir(const QString &dir); // tests and the demo folder

    // The clock, replaceable so that tests cross the two-minute pacing without waiting.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

    QString FileName() const { return m_fileName; }
    bool Changed() const { return m_changed; }
    QString IniPath() const { return m_iniPath; }
    QString JournalPath() const { return m_journalPath; }
    TOpPoller *Poller() const { return m_poller; }

    TColorStringGrid *MainGrid = nullptr;
    TNumberEdit *NumberEdit1 = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QToolButton *PollButton = nullptr;
    QMenu *MenuPort = nullptr;
    QMenu *mnFile = nullptr;
    QAction *mnAbout = nullptr;
    QAction *actNew = nullptr;
    QAction *actOpenFile = nullptr;
    QAction *actSave = nullptr;
    QAction *actSaveAs = nullptr;
    QAction *actPrint = nullptr;
    QAction *actOpr = nullptr;

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

protected:
    TRegistrationWindow(const QString &objectName, QWidget *parent);

    // The second step of creation, once the derived window has made its poller and columns.
    void FormCreate(TOpPoller *poller, int colCount, const QString &iniName);

    virtual void ReadExtraSettings(TIniPlus &) {}
    virtual void WriteExtraSettings(TIniPlus &) {}
    virtual void SetTitles() = 0;
    virtual void ApplyWidthRule() = 0;
    virtual std::vector<TPrintColumn> PrintColumns(int pageWidth) const = 0;

    // Poller events, the same in both windows.
    void PollerStarting();
    void PollerStoping();
    void PollerErrorOpenPort();
    void PollerGetNumber();
    void SetPollingLook(bool polling);

    // Writes the given cells of a result into the open row and appends a new open row.
    void AddResultRow(const std::vector<std::pair<int, QString>> &cells);
    QDateTime LastResultTime() const { return m_lastResult; }
    void SetLastResultTime(const QDateTime &t) { m_lastResult = t; }

    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    bool LoadFile(const QString &path);
    bool SaveFile(const QString &path);
    void SetCaption();
    int ColCount() const { return m_colCount; }

private:
    void BuildActions();
    void BuildToolbar();
    void BuildMenus();
    void SetCaptionsAndHints();
    bool AskToSave(QMessageBox::StandardButtons buttons, bool *cancelled);
    void CommitEdit();
    void DropEdit();
    void ClearTable();
    QString NextNewFileName() const;
    // The recovery journal: opened when the window is shown, never for the hidden instances.
    void StartJournal();
    void ReplayJournal(const std::vector<TJournal::Record> &records);
    void JournalRow(int row);
    void JournalBase(bool fromFile);

    TOpPoller *m_poller = nullptr;
    int m_colCount = 0;
    QString m_fileName;
    QString m_iniPath;
    QString m_journalPath;
    TJournal m_journal;
    bool m_replaying = false;
    bool m_creating = false;
    QString m_deferredError; // a load error met at creation, shown with the window
    bool m_changed = false;
    QDateTime m_lastResult; // invalid: no result yet, so the first poll asks at once
    QEventLoop *m_modalLoop = nullptr;
};
