#include "windows/WindowProtocol.h"

#include <memory>

#include "controls/TColorStringGrid.h"
#include "controls/TNumberEdit.h"
#include "export/ProtocolTable.h"
#include "export/TProtocolHeader.h"
#include "settings/TIniPlus.h"
#include "table/TableShape.h"
#include "windows/TArchiveLink.h"
#include "windows/TRegistrationWindow.h"

TExportTable withProtocol(TExportTable table, const TRegistrationWindow &window)
{
    const TLimits limits = window.qualityPanel ? window.qualityPanel->limits() : TLimits();
    auto header = std::make_shared<TProtocolHeader>();
    header->locale = table.locale;
    header->readSettings(TIniPlus(window.IniPath()));
    if (window.ArchiveLink())
        header->model = window.ArchiveLink()->modelName();
    header->deviceNumber = window.NumberEdit1->text().trimmed();
    header->takePeriod(table);
    header->takeNorms(limits, table);
    header->printedAt = window.Now();
    table.protocol = header;
    ProtocolTable::markLimits(table, limits);
    if (table.rowCount > 0) {
        const TColorStringGrid *grid = window.MainGrid;
        table.statistics = [grid, limits, locale = table.locale] {
            return ProtocolTable::statistics(grid->Rows(), TableShape::FirstValueCol,
                                             grid->ColCount(), limits, TableShape::LabelCol,
                                             locale);
        };
    }
    return table;
}
