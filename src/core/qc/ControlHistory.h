#pragma once

// A control material's earlier controls as the local archive holds them: the results of the
// window's instrument whose label, as it reads now, belongs to the material, oldest first.
// The archive's label search finds the candidates (labels that hold the prefix anywhere, in
// any case); ControlMaterials decides which are the material's own, so a nested prefix or a
// prefix in the middle of another label takes nothing. Only the newest Limit candidates are
// looked at: the rules need the last few controls, never the whole year.

#include <optional>
#include <vector>

#include "qc/ControlMonitor.h"

class TArchive;

namespace ControlHistory {

constexpr int Limit = 2000;

// nullopt while the archive cannot be read or still holds back records: the newest control
// may be among those.
std::optional<std::vector<ControlResult>> read(TArchive &archive, const ControlMaterials &materials,
                                               int material, const QString &model);

} // namespace ControlHistory
