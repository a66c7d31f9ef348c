#pragma once

// The control state in the status bar of a window whose settings name control materials
// (section "Control"): "Контроль: нет данных" until a control is judged, then its verdict
// as ControlMonitor gives it, a rejection in red. The state is judged again when a result
// comes with a control's label, when a result's label is changed, and when the archive can
// be read again after it could not. The notes on lines of the section that could not be
// taken are the label's tooltip. A window whose settings hold no material gets none of it.
//
// A rejection holds the results QcHolds says: their row headers are marked, with the reason
// as tooltip, the exports and the protocol carry a column of their own for them, and the
// archive keeps each evaluation, each held result and the operator's action ("Сервис" →
// "Действие по контролю…"), which releases them. When the schedule of the section says a
// control is due, the state says so too.

#include <functional>
#include <optional>

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QUuid>

#include "qc/ControlMonitor.h"
#include "qc/QcHolds.h"
#include "qc/QcSchedule.h"

class QMenu;
class TArchiveLink;
class TColorStringGrid;
class TElidedLabel;
class TIniPlus;
class TWindowStatus;

class ControlStatus : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    // nullptr, and nothing made or placed, when the settings hold no material.
    static ControlStatus *fromSettings(const TIniPlus &ini, TColorStringGrid *grid,
                                       TWindowStatus *status, TArchiveLink *link, QMenu *service,
                                       Clock now, QObject *parent);

    // Grid row `row` took a result measured at `at`, under the label it holds.
    void resultRow(int row, const QDateTime &at);
    // The label of grid row `row` was changed.
    void labelChanged(int row);
    // Shows the state again as the clock reads now (the schedule's time part).
    void refresh() { show(); }

    // Grid row `row` is held now; why, empty when it is not.
    QString heldText(int row) const;
    // What an export's column says of the row: "отклонение 1-3s (Жир) в 10:42", or empty.
    QString heldCell(int row) const;
    // Records an action: asks for the comment, writes it, releases the held results.
    void recordAction();
    // Labels the open row as the next control of material `material` ("КМА-4"), as if typed.
    void markOpenRow(int material);

    TElidedLabel *label() const { return m_label; }
    QcState state() const { return m_monitor.state(); }
    const QcHolds &holds() const { return m_holds; }

    // Dialog hooks; tests replace them to answer without a person. AskAction gets what is
    // held, who records and when, and gives the comment or nullopt.
    std::function<std::optional<QString>(const QString &held, const QString &who,
                                         const QDateTime &when)>
        AskAction;
    std::function<void(const QString &text)> Refused;

private:
    ControlStatus(ControlMaterials materials, TColorStringGrid *grid, TArchiveLink *link, Clock now,
                  QObject *parent);
    void archiveChanged();
    void show();
    // Holds and evaluations follow the state just judged.
    void follow(const QcState &state);
    void writeHolds();
    int heldCount() const;
    QString heldSummary() const;
    QString titleOf(int col) const;
    void followRows();
    bool eventFilter(QObject *watched, QEvent *event) override;

    TColorStringGrid *m_grid = nullptr;
    // The row numbers' viewport whose tooltips this shows; told apart without asking the grid,
    // which may be half torn down when its children send their last events.
    QPointer<QWidget> m_headerViewport;
    TArchiveLink *m_link = nullptr;
    Clock m_now;
    ControlMonitor m_monitor;
    QcHolds m_holds;
    QcSchedule m_schedule;
    TElidedLabel *m_label = nullptr;
    QString m_notes;
    bool m_read = false;          // the archive's earlier controls were judged once it opened
    QList<QDateTime> m_times;     // each model row's measuring time; invalid: not known
    QcState m_judged;             // the state last written as an evaluation
    qint64 m_holdEvaluation = -1; // the evaluation of the open hold's rejection
    QSet<QUuid> m_heldWritten;
    int m_samplesSince = 0;
    QDateTime m_lastControl;
    QTimer m_clockTimer; // the schedule's time part
};
