#include "windows/WindowProtocol.h"

#include <utility>

#include "controls/TColorStringGrid.h"
#include "controls/TNumberEdit.h"
#include "export/ProtocolTable.h"
#include "settings/TIniPlus.h"
#include "windows/TArchiveLink.h"
#include "windows/TRegistrationWindow.h"

TExportTable withProtocol(TExportTable table, const TRegistrationWindow &window)
{
    ProtocolTable::TWindowFacts facts;
    if (window.ArchiveLink())
        facts.model = window.ArchiveLink()->modelName();
    facts.deviceNumber = window.NumberEdit1->text().trimmed();
    facts.printedAt = window.Now();
    return ProtocolTable::withProtocol(std::move(table), TIniPlus(window.IniPath()),
                                       window.qualityPanel ? window.qualityPanel->limits()
                                                           : TLimits(),
                                       window.MainGrid->Rows(), facts);
}
