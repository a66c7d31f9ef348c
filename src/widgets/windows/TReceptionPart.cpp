#include "windows/TReceptionPart.h"

#include <cmath>
#include <limits>

#include <QDialog>
#include <QHelpEvent>
#include <QLocale>
#include <QMenu>
#include <QSqlDatabase>
#include <QStatusBar>
#include <QToolTip>

#include "archive/OsUser.h"
#include "archive/TArchive.h"
#include "controls/TColorStringGrid.h"
#include "controls/TElidedLabel.h"
#include "reception/ReceptionDesk.h"
#include "reception/ReceptionStore.h"
#include "results/LocaleFormats.h"
#include "table/TStringGridModel.h"
#include "table/TableShape.h"
#include "text/ReceptionStrings.h"
#include "windows/TArchiveLink.h"
#include "windows/TWindowStatus.h"

namespace {
// The value columns reception reads, found by their titles in a window whose columns are
// named in its settings; where no title matches, the column of the value's number.
struct ValueTitle
{
    int value;
    const char *prefix;
};
const ValueTitle kValueTitles[] = {
    {ReceptionDesk::FatValue, "Жир"},
    {ReceptionDesk::SnfValue, "СОМО"},
    {ReceptionDesk::DensityValue, "Плотн"},
    {ReceptionDesk::ProteinValue, "Белок"},
};

bool sameDelivery(const Delivery &a, const Delivery &b)
{
    return a.supplierCode == b.supplierCode && a.at == b.at && a.quantity == b.quantity
           && a.fat == b.fat && a.snf == b.snf && a.protein == b.protein && a.density == b.density
           && a.amount == b.amount;
}
} // namespace

TReceptionPart *TReceptionPart::fromSettings(const TIniPlus &ini, TColorStringGrid *grid,
                                             TWindowStatus *status, TArchiveLink *link,
                                             QMenu *service, Clock now, QObject *parent)
{
    ReceptionSettings settings = ReceptionSettings::read(ini);
    if (!settings.enabled)
        return nullptr;
    auto *made = new TReceptionPart(std::move(settings), grid, link, std::move(now), parent);
    made->m_label = new TElidedLabel(status->bar());
    made->m_label->setObjectName(QStringLiteral("ReceptionStatus"));
    status->place(made->m_label);
    made->show(QString());
    service->addSeparator();
    QMenu *menu = service->addMenu(ReceptionStrings::MenuReception);
    menu->setObjectName(QStringLiteral("mnReception"));
    const auto add = [made, menu](const QString &text, const char *name,
                                  std::function<void()> TReceptionPart::*hook) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, made, [made, hook] {
            if (made->*hook)
                (made->*hook)();
        });
        return a;
    };
    made->registerAction = add(ReceptionStrings::ActRegister, "actSupplierRegister",
                               &TReceptionPart::openRegister);
    made->ratesAction = add(ReceptionStrings::ActImportRates, "actImportRates",
                            &TReceptionPart::importRates);
    made->reportsAction = add(ReceptionStrings::ActReports, "actReceptionReports",
                              &TReceptionPart::openReports);
    return made;
}

TReceptionPart::TReceptionPart(ReceptionSettings settings, TColorStringGrid *grid,
                               TArchiveLink *link, Clock now, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_grid(grid)
    , m_link(link)
    , m_now(std::move(now))
{
    AskSecond = [](const QString &) { return false; };
    RunDialog = [](QDialog &dialog) { dialog.exec(); };
    const QString title = m_settings.unit == DeliveryMass::Unit::Litres
                              ? ReceptionStrings::ColQuantityLitres
                              : ReceptionStrings::ColQuantityKg;
    grid->GridModel()->setOuterColumn(
        TStringGridModel::OuterColumn{title,
                                      [this](int storeRow) {
                                          return quantity(TableShape::gridRow(storeRow));
                                      },
                                      [this](int storeRow, const QString &text) {
                                          const int row = TableShape::gridRow(storeRow);
                                          if (text.trimmed().isEmpty())
                                              m_quantities.erase(row);
                                          else
                                              m_quantities[row] = text.trimmed();
                                      }});
    grid->viewport()->installEventFilter(this);
    link->whenUsable(this, [this] {
        if (!m_loaded)
            reload();
        writeWaiting();
    });
}

int TReceptionPart::quantityCol() const
{
    return m_grid->ColCount();
}

QString TReceptionPart::quantity(int row)
{
    const auto it = m_quantities.find(row);
    if (it != m_quantities.end())
        return it->second;
    // A row of an opened table shows what its archived delivery was typed with, looked up
    // once, when the row is first drawn.
    if (m_grid->Cells(TableShape::DateCol, row).isEmpty() || m_looked.count(row) > 0)
        return QString();
    const QSqlDatabase db = m_link->archive().sideTables();
    if (!db.isValid())
        return QString();
    m_looked.insert(row);
    const QUuid result = m_link->findRowResult(row);
    QSqlError error;
    const std::optional<Delivery> d = result.isNull()
                                          ? std::nullopt
                                          : ReceptionStore::deliveryOf(db, result, &error);
    if (!d)
        return QString();
    QString typed = d->quantity.toString(Decimal::Places);
    while (typed.endsWith(QLatin1Char('0')))
        typed.chop(1);
    if (typed.endsWith(QLatin1Char(',')))
        typed.chop(1);
    m_kept[row] = *d;
    m_quantities[row] = typed;
    return typed;
}

const Delivery *TReceptionPart::kept(int row) const
{
    const auto it = m_kept.find(row);
    return it == m_kept.end() ? nullptr : &it->second;
}

void TReceptionPart::reload()
{
    const QSqlDatabase db = m_link->archive().sideTables();
    if (!db.isValid())
        return;
    QSqlError error;
    const QList<Supplier> latest = ReceptionStore::suppliers(db, &error);
    if (error.isValid())
        return;
    RateHistory rates = ReceptionStore::rateHistory(db, &error);
    if (error.isValid())
        return;
    // Who has delivered in the shifts of today, also before the program was started again.
    const QDateTime day(m_now().date(), QTime(0, 0));
    const QList<Delivery> today = ReceptionStore::deliveries(db, day, day.addDays(1), QString(),
                                                             &error);
    if (error.isValid())
        return;
    m_register.setSuppliers(latest);
    m_rates = std::move(rates);
    for (const Delivery &d : today)
        m_register.noteDelivery(d.supplierCode, ReceptionShift::of(d.at, m_settings.eveningHour));
    m_loaded = true;
}

void TReceptionPart::resultRow(int row, const QDateTime &at)
{
    m_times[row] = at;
    take(row);
}

void TReceptionPart::rowChanged(int row)
{
    take(row);
    m_grid->GridModel()->outerChanged(TableShape::storeRow(row));
}

void TReceptionPart::tableCleared()
{
    m_quantities.clear();
    m_times.clear();
    m_kept.clear();
    m_looked.clear();
    // Deliveries still waiting for the archive name their results, not rows: they stay.
}

QDateTime TReceptionPart::rowTime(int row) const
{
    const auto it = m_times.find(row);
    if (it != m_times.end())
        return it->second;
    // A row of an opened table: when it was measured, as its cells show it.
    const QLocale locale;
    QDate day = locale.toDate(m_grid->Cells(TableShape::DateCol, row), QLocale::ShortFormat);
    if (day.isValid() && day.year() < 1970) // a two-digit year
        day = day.addYears(100);
    const QTime time = locale.toTime(m_grid->Cells(TableShape::TimeCol, row),
                                     LongTimeFormatWithoutZone(locale));
    return day.isValid() && time.isValid() ? QDateTime(day, time) : QDateTime();
}

int TReceptionPart::valueColumn(int value) const
{
    for (const ValueTitle &t : kValueTitles) {
        if (t.value != value)
            continue;
        const QString prefix = QString::fromUtf8(t.prefix);
        for (int c = TableShape::FirstValueCol; c < m_grid->ColCount(); ++c) {
            if (m_grid->Cells(c, 0).trimmed().startsWith(prefix, Qt::CaseInsensitive))
                return c;
        }
    }
    return TableShape::FirstValueCol + value;
}

double TReceptionPart::rowValue(int row, int value) const
{
    QString text = m_grid->Cells(valueColumn(value), row).trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok ? v : std::numeric_limits<double>::quiet_NaN();
}

void TReceptionPart::take(int row)
{
    if (!m_loaded)
        reload();
    const QString label = m_grid->Cells(TableShape::LabelCol, row).trimmed();
    const QDateTime at = rowTime(row);
    if (label.isEmpty()) {
        show(QString());
        return;
    }
    if (!at.isValid()) {
        // The open row: its label is told at once, its delivery waits for the result.
        show(SupplierRegister::problemText(label, m_register.find(label, m_now().date())));
        return;
    }
    const ReceptionDesk desk(m_settings, m_register, m_rates);
    const ReceptionDesk::Outcome out = desk.take(label, at, quantity(row),
                                                 [this, row](int k) { return rowValue(row, k); });
    show(out.problem);
    if (!out.delivery)
        return;
    const Delivery &d = *out.delivery;
    const auto it = m_kept.find(row);
    if (it != m_kept.end() && sameDelivery(it->second, d))
        return;
    // A corrected quantity or value is the same delivery again, not a second one.
    const bool again = it != m_kept.end() && it->second.supplierCode == d.supplierCode;
    const ReceptionShift shift = ReceptionShift::of(at, m_settings.eveningHour);
    if (out.secondInShift && !again
        && !AskSecond(
            ReceptionStrings::SecondDelivery.arg(d.supplierCode, d.supplierName, shift.name()))) {
        show(ReceptionStrings::SecondRefused.arg(d.supplierCode));
        return;
    }
    const QUuid result = m_link->findRowResult(row);
    if (result.isNull()) {
        // Nothing in the archive to tie it to (a row of a table measured elsewhere).
        show(ReceptionStrings::NoArchivedResult);
        return;
    }
    m_register.noteDelivery(d.supplierCode, shift);
    m_kept[row] = d;
    m_unwritten.push_back({result, d, out.supplierVersion});
    writeWaiting();
}

void TReceptionPart::writeWaiting()
{
    // Kept beside the result; what the archive cannot take now waits for it to come back,
    // while the session lasts.
    while (!m_unwritten.empty()) {
        const QSqlDatabase db = m_link->archive().sideTables();
        if (!db.isValid())
            return;
        const Unwritten &u = m_unwritten.front();
        QSqlError error;
        if (ReceptionStore::addDelivery(db, u.result, u.delivery, u.supplierVersion, osUserName(),
                                        m_now(), &error)
            == 0)
            return;
        m_unwritten.pop_front();
    }
}

void TReceptionPart::show(const QString &problem)
{
    m_label->setFullText(problem.isEmpty() ? ReceptionStrings::StatusOn : problem,
                         m_settings.notes.join(QLatin1Char('\n')));
    TWindowStatus::showTrouble(m_label, !problem.isEmpty() || !m_settings.notes.isEmpty());
}

bool TReceptionPart::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || watched != m_grid->viewport())
        return QObject::eventFilter(watched, event);
    auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex index = m_grid->indexAt(help->pos());
    if (!index.isValid() || index.column() != TableShape::LabelCol)
        return false;
    const int row = TableShape::gridRow(index.row());
    const QDateTime at = rowTime(row);
    const SupplierRegister::Found found = m_register.find(m_grid->Cells(TableShape::LabelCol, row),
                                                          at.isValid() ? at.date() : m_now().date());
    if (found.match == SupplierRegister::Match::Unknown)
        return false;
    QString tip = found.supplier.name;
    if (!found.supplier.farm.isEmpty())
        tip += QStringLiteral(", ") + found.supplier.farm;
    QToolTip::showText(help->globalPos(), tip, m_grid->viewport(), m_grid->visualRect(index));
    return true;
}
