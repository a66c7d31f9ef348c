#include "windows/TCalibrationPart.h"

#include <set>

#include <QAction>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QToolTip>

#include "archive/OsUser.h"
#include "archive/TArchive.h"
#include "archive/TArchiveDialog.h"
#include "controls/TColorStringGrid.h"
#include "export/TExportTable.h"
#include "qc/TCalibrationDialog.h"
#include "results/LocaleFormats.h"
#include "session/TResultDecoder.h"
#include "settings/TIniPlus.h"
#include "table/TableShape.h"
#include "text/QcStrings.h"
#include "windows/TArchiveLink.h"

TCalibrationPart *TCalibrationPart::fromSettings(const TIniPlus &ini, TColorStringGrid *grid,
                                                 QMenu *service, TArchiveLink *link,
                                                 QObject *parent)
{
    const CalibrationSettings settings = CalibrationSettings::read(ini);
    if (!settings.enabled)
        return nullptr;
    auto *made = new TCalibrationPart(settings, grid, link, parent);
    service->addSeparator();
    made->calibrateAction = service->addAction(Str::ActCalibration);
    made->calibrateAction->setObjectName(QStringLiteral("actCalibration"));
    connect(made->calibrateAction, &QAction::triggered, made, &TCalibrationPart::calibrate);
    made->toFileAction = service->addAction(Str::ActCorrectedToFile);
    made->toFileAction->setObjectName(QStringLiteral("actCorrectedToFile"));
    made->toFileAction->setCheckable(true);
    made->toFileAction->setChecked(settings.toFile);
    connect(made->toFileAction, &QAction::toggled, made,
            [made](bool on) { made->m_settings.toFile = on; });
    return made;
}

TCalibrationPart::TCalibrationPart(CalibrationSettings settings, TColorStringGrid *grid,
                                   TArchiveLink *link, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_grid(grid)
    , m_link(link)
{
    runDialog = [](TCalibrationDialog &dialog) { dialog.exec(); };
    runPicker = [](TArchiveDialog &dialog) { dialog.exec(); };
    grid->OnGetShownText = [this](int col, int row, QString &text) {
        if (const AppliedCorrection *c = cellCorrection(col, row))
            text = c->correctedText + Str::CalMark;
    };
    grid->viewport()->installEventFilter(this);
    link->whenUsable(this, [this] {
        if (!m_loaded)
            reload();
        writeWaiting();
    });
}

void TCalibrationPart::reload()
{
    QString error;
    const std::vector<StoredCalibration> inForce
        = m_link->archive().calibrationsInForce(m_link->modelName(), &error);
    // An archive that cannot be read now keeps the lines read before.
    if (!error.isEmpty())
        return;
    m_loaded = true;
    m_corrections = ColumnCorrections(inForce);
}

void TCalibrationPart::correct(int row, TDecodedResult &result)
{
    if (!m_loaded)
        reload();
    m_rows.erase(row);
    if (m_corrections.isEmpty())
        return;
    for (auto &[col, text] : result.cells) {
        const int k = col - TableShape::FirstValueCol;
        if (k < 0 || k >= int(result.values.size()) || !result.values[size_t(k)])
            continue;
        const std::optional<AppliedCorrection> c = m_corrections.apply(k, *result.values[size_t(k)]);
        if (!c)
            continue;
        m_rows[row][col] = *c;
        if (m_settings.toFile)
            text = c->correctedText;
    }
}

void TCalibrationPart::resultRow(int row)
{
    const auto it = m_rows.find(row);
    const QUuid result = it == m_rows.end() ? QUuid() : m_link->rowResult(row);
    if (result.isNull())
        return;
    for (const auto &[col, c] : it->second)
        m_unwritten.push_back({result, col - TableShape::FirstValueCol, c});
    writeWaiting();
}

void TCalibrationPart::writeWaiting()
{
    // Written beside the result; what the archive cannot take now waits for it to come back,
    // while the session lasts.
    while (!m_unwritten.empty()) {
        const Unwritten &u = m_unwritten.front();
        QString error;
        if (!m_link->archive().writeCorrection(u.result, u.column, u.correction.raw,
                                               u.correction.corrected, u.correction.calibration,
                                               &error))
            return;
        m_unwritten.pop_front();
    }
}

const AppliedCorrection *TCalibrationPart::cellCorrection(int col, int row) const
{
    const auto it = m_rows.find(row);
    if (it == m_rows.end())
        return nullptr;
    const auto cell = it->second.find(col);
    return cell == it->second.end() ? nullptr : &cell->second;
}

void TCalibrationPart::markExport(TExportTable &table) const
{
    std::map<int, int> counts;
    for (const auto &[row, cells] : m_rows) {
        for (const auto &[col, c] : cells) {
            if (TableShape::storeRow(row) < table.rowCount
                && m_grid->Cells(col, row) == c.correctedText)
                ++counts[col];
        }
    }
    if (counts.empty())
        return;
    QStringList columns;
    for (const auto &[col, count] : counts)
        columns << Str::CalExportColumn.arg(m_grid->Cells(col, 0)).arg(count);
    const QString note = Str::CalExportNote.arg(columns.join(QStringLiteral(", ")));
    const int rows = table.rowCount;
    table.cell = [cell = table.cell, rows, note](int c, int r) {
        if (r < rows)
            return cell(c, r);
        return c == TableShape::LabelCol ? note : QString();
    };
    ++table.rowCount;
}

void TCalibrationPart::calibrate()
{
    m_grid->CommitEditor();
    const ShownNumber reader = ShownNumber::written();
    std::vector<TCalibrationDialog::Sample> samples;
    QList<std::pair<int, QString>> columns;
    for (int c = TableShape::FirstValueCol; c < m_grid->ColCount(); ++c) {
        if (!m_grid->isColumnHidden(c))
            columns.append({c - TableShape::FirstValueCol, m_grid->Cells(c, 0)});
    }
    std::set<int> rows;
    for (const QModelIndex &index : m_grid->selectionModel()->selectedIndexes())
        rows.insert(TableShape::gridRow(index.row()));
    for (int row : rows) {
        TCalibrationDialog::Sample s;
        s.result = m_link->rowResult(row);
        s.label = m_grid->Cells(TableShape::LabelCol, row);
        bool any = false;
        for (int c = TableShape::FirstValueCol; c < m_grid->ColCount(); ++c) {
            // A corrected cell was measured as the instrument gave it.
            const AppliedCorrection *corrected = cellCorrection(c, row);
            ShownNumber::Value v;
            if (corrected)
                s.values.push_back(corrected->raw);
            else if (reader.read(QStringView(m_grid->Cells(c, row)), &v))
                s.values.push_back(v.value);
            else
                s.values.push_back(std::nullopt);
            any = any || s.values.back();
        }
        if (any)
            samples.push_back(std::move(s));
    }
    std::map<int, QString> inForce;
    QString error;
    for (const StoredCalibration &c :
         m_link->archive().calibrationsInForce(m_link->modelName(), &error))
        inForce[c.column] = Str::CalInForce.arg(FormatValue(c.slope), FormatValue(c.intercept))
                                .arg(c.count)
                                .arg(QLocale::system().toString(c.at, QLocale::ShortFormat));
    TCalibrationDialog dialog(columns, std::move(samples), std::move(inForce), m_grid->window());
    dialog.setPicker([this] { return pickArchived(); });
    dialog.keep = [this](int column, const Calibration &calibration,
                         const std::vector<CalibrationSample> &kept, QString *why) {
        const qint64 id = m_link->archive().acceptCalibration(m_link->modelName(), column,
                                                              calibration, kept, osUserName(),
                                                              QDateTime::currentDateTime(), why);
        if (id < 0)
            return false;
        reload();
        return true;
    };
    runDialog(dialog);
}

std::vector<TCalibrationDialog::Sample> TCalibrationPart::pickArchived()
{
    std::vector<TCalibrationDialog::Sample> out;
    TArchiveDialog dialog(&m_link->archive(), m_grid->window());
    QStringList titles;
    for (int c = TableShape::FirstValueCol; c < m_grid->ColCount(); ++c)
        titles << m_grid->Cells(c, 0);
    dialog.setValueTitles(titles);
    // The dialog's "open" takes the chosen results as samples.
    connect(&dialog, &TArchiveDialog::openAsTableRequested, &dialog,
            [this, &out, &dialog](const std::vector<TArchiveHit> &hits) {
                const std::vector<QUuid> handles = m_link->archive().resultHandles(hits);
                for (size_t i = 0; i < hits.size(); ++i) {
                    TCalibrationDialog::Sample s;
                    s.result = i < handles.size() ? handles[i] : QUuid();
                    s.label = hits[i].label;
                    s.values = hits[i].result.values;
                    out.push_back(std::move(s));
                }
                dialog.accept();
            });
    runPicker(dialog);
    return out;
}

bool TCalibrationPart::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || watched != m_grid->viewport())
        return QObject::eventFilter(watched, event);
    auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex index = m_grid->indexAt(help->pos());
    const AppliedCorrection *c = index.isValid() ? cellCorrection(index.column(),
                                                                  TableShape::gridRow(index.row()))
                                                 : nullptr;
    if (!c)
        return false;
    QToolTip::showText(help->globalPos(), Str::CalMarkTip.arg(c->rawText), m_grid->viewport(),
                       m_grid->visualRect(index));
    return true;
}
