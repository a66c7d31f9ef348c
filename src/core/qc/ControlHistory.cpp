#include "qc/ControlHistory.h"

#include <cmath>

#include "archive/TArchive.h"
#include "table/TableShape.h"

namespace ControlHistory {

std::optional<std::vector<ControlResult>> read(TArchive &archive, const ControlMaterials &materials,
                                               int material, const QString &model)
{
    if (archive.state() != ArchiveState::Ok || archive.pendingCount() > 0)
        return std::nullopt;
    TArchiveQuery query;
    query.label = materials.list()[material].prefix;
    query.model = model;
    query.limit = Limit;
    const TArchiveSearchResult found = archive.search(query);
    if (!found.ok)
        return std::nullopt;
    std::vector<ControlResult> controls;
    // The hits come newest first.
    for (auto hit = found.hits.rbegin(); hit != found.hits.rend(); ++hit) {
        if (materials.materialFor(hit->label) != material)
            continue;
        ControlResult c;
        c.at = hit->result.at;
        const auto &values = hit->result.values;
        for (int k = 0; k < int(values.size()); ++k) {
            if (values[k] && std::isfinite(*values[k]))
                c.values.insert(TableShape::FirstValueCol + k, *values[k]);
        }
        controls.push_back(std::move(c));
    }
    return controls;
}

} // namespace ControlHistory
