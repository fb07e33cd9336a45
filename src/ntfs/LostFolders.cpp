#include "ntfs/LostFolders.h"

#include "model/RecordTable.h"
#include "ntfs/MftWalk.h"

#include <string>
#include <unordered_set>

namespace qr::ntfs {

void FindNtfsLostFolders(model::RecordTable& table, volume::SearchProgress& progress) {
    using namespace model::folder_col;
    progress.phase(volume::SearchPhase::LostDirectories);
    const int rows = table.rowCount();
    // "self" cells do not change here, so one set answers every "is the parent found".
    std::unordered_set<std::string> selves;
    selves.reserve(static_cast<std::size_t>(rows));
    for (int j = 0; j < rows; ++j)
        selves.insert(table.cell(j, Self));
    const std::string lost = std::to_string(model::kLostFolderKey);
    for (int i = 0; i < rows; ++i) {
        const std::string parent = table.cell(i, Parent);
        if (model::parseCellNumber(parent) == kRootRecord)
            continue;
        if (selves.count(parent) == 0)
            table.setCell(i, Parent, lost);
        if (i > 0 && (i % 256 == 0 || i + 1 == rows))
            progress.position(static_cast<std::uint64_t>(i), static_cast<std::uint64_t>(rows));
    }
}

} // namespace qr::ntfs
