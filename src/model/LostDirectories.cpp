#include "model/LostDirectories.h"

#include "model/RecordTable.h"

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace qr::model {

namespace {

// Progress is reported at most this often (and for the last row shown).
constexpr int kProgressEvery = 256;

} // namespace

void FindLostDirectories(RecordTable& table, std::uint32_t rootParent,
                         volume::SearchProgress& progress) {
    using namespace folder_col;
    progress.phase(volume::SearchPhase::LostDirectories);
    const int rows = table.rowCount();
    // "self" cells never change here, so one set answers every "is the parent found".
    // It holds the table's own texts; the rows found orphaned are changed only after
    // the last look, so none of them moves while the set points into it.
    std::unordered_set<std::string_view> selves;
    selves.reserve(static_cast<std::size_t>(rows));
    for (int j = 0; j < rows; ++j)
        selves.insert(table.view(j, Self));
    std::vector<int> orphans;
    int pendingRow = 0; // last row whose progress was not shown yet
    for (int i = 0; i < rows; ++i) {
        const std::string_view parent = table.view(i, Parent);
        if (parseCellNumber(parent) == rootParent)
            continue;
        if (selves.count(parent) == 0)
            orphans.push_back(i);
        if (i > 0) {
            pendingRow = i;
            if (i % kProgressEvery == 0) {
                progress.position(static_cast<std::uint64_t>(i), static_cast<std::uint64_t>(rows));
                pendingRow = 0;
            }
        }
    }
    const std::string lost = std::to_string(kLostFolderKey);
    for (const int row : orphans)
        table.setCell(row, Parent, lost);
    if (pendingRow > 0)
        progress.position(static_cast<std::uint64_t>(pendingRow), static_cast<std::uint64_t>(rows));
}

} // namespace qr::model

namespace qr::model {

void InsertLostFolderRow(RecordTable& table, std::uint32_t rootKey) {
    using namespace folder_col;
    const int row = table.insertRow(0, "Lost");
    table.setCell(row, Sector, "0");
    table.setNumber(row, Self, kLostFolderKey);
    table.setNumber(row, Parent, rootKey);
    table.setCell(row, Date, "0");
    table.setCell(row, Time, "0");
    table.setCell(row, Size, "0");
    table.setCell(row, Attr, "16");
    table.setCell(row, SysId, "0");
    table.setCell(row, Type, "FOLDER");
}

} // namespace qr::model
