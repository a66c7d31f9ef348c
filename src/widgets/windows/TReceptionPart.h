#pragma once

// Milk reception in a registration window whose settings turn it on (section "Reception",
// `Enabled=1`). The table gets a quantity column after its own, kept out of the results file;
// a label is read as a supplier's code, the supplier's name in the label cell's tooltip and a
// word in the status bar for a code the register does not know; a row with a known supplier,
// a quantity and a result is worked out into a delivery and kept in the archive, a second one
// of a supplier in one shift only when the operator confirms it. "Сервис" → "Приёмка" holds
// the register, the rate tables' import and the reports. A window whose settings do not turn
// it on gets none of it.

#include <deque>
#include <functional>
#include <map>
#include <set>

#include <QDateTime>
#include <QObject>
#include <QUuid>

#include "reception/Delivery.h"
#include "reception/RateHistory.h"
#include "reception/ReceptionSettings.h"
#include "reception/SupplierRegister.h"

class QAction;
class QDialog;
class QMenu;
class TArchiveLink;
class TColorStringGrid;
class TElidedLabel;
class TIniPlus;
class TWindowStatus;

class TReceptionPart : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    // nullptr, and nothing made or placed, when the settings do not turn reception on.
    static TReceptionPart *fromSettings(const TIniPlus &ini, TColorStringGrid *grid,
                                        TWindowStatus *status, TArchiveLink *link, QMenu *service,
                                        Clock now, QObject *parent);

    // The quantity column: the grid's column after its own.
    int quantityCol() const;
    bool isQuantityCol(int col) const { return col == quantityCol(); }
    // As typed; for a row of an opened table, as its archived delivery was typed.
    QString quantity(int row);

    // Grid row `row` took a result measured at `at`.
    void resultRow(int row, const QDateTime &at);
    // The label or the quantity of grid row `row` was changed.
    void rowChanged(int row);
    // The table was replaced: its rows hold no quantities.
    void tableCleared();
    // The register, the rate tables and the shift's deliveries, read again from the archive.
    void reload();

    const SupplierRegister &suppliers() const { return m_register; }
    const RateHistory &rates() const { return m_rates; }
    const ReceptionSettings &settings() const { return m_settings; }
    TElidedLabel *label() const { return m_label; }
    // The delivery last kept for grid row `row`, nullptr for none.
    const Delivery *kept(int row) const;

    // "Сервис" → "Приёмка".
    QAction *registerAction = nullptr;
    QAction *ratesAction = nullptr;
    QAction *reportsAction = nullptr;

    // Dialog hooks; tests replace them to answer without a person. AskSecond gets the question
    // and says whether a second delivery in the shift is taken.
    std::function<bool(const QString &question)> AskSecond;
    // The register's, the rate tables' and the reports' dialogs; set by the window.
    std::function<void()> openRegister;
    std::function<void()> importRates;
    std::function<void()> openReports;
    // Runs one of those dialogs; tests replace it to work the dialog themselves.
    std::function<void(QDialog &)> RunDialog;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TReceptionPart(ReceptionSettings settings, TColorStringGrid *grid, TArchiveLink *link,
                   Clock now, QObject *parent);

    struct Unwritten
    {
        QUuid result;
        Delivery delivery;
        int supplierVersion = 0;
    };

    QDateTime rowTime(int row) const;
    double rowValue(int row, int value) const;
    int valueColumn(int value) const;
    void take(int row);
    void writeWaiting();
    void show(const QString &problem);

    ReceptionSettings m_settings;
    TColorStringGrid *m_grid = nullptr;
    TArchiveLink *m_link = nullptr;
    Clock m_now;
    TElidedLabel *m_label = nullptr;
    SupplierRegister m_register;
    RateHistory m_rates;
    bool m_loaded = false;
    std::map<int, QString> m_quantities; // by grid row, as typed
    std::map<int, QDateTime> m_times;    // by grid row: when its result came, this session
    std::map<int, Delivery> m_kept;      // by grid row: the delivery the archive holds
    std::deque<Unwritten> m_unwritten;   // deliveries the archive could not take yet
    std::set<int> m_looked;              // rows whose archived delivery was looked for
};
