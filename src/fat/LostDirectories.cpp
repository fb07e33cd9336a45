#include "fat/LostDirectories.h"

#include "app/RecoveryContext.h"
#include "model/RecordTable.h"

#include <algorithm>
#include <string>
#include <unordered_set>

namespace qr::fat {

namespace {

// The caption and bar are rewritten at most this often (and for the last row shown).
constexpr int kProgressEvery = 256;

void showProgress(app::WindowItems& window, int row, int rows) {
    window.setItemText(app::item::kProgressCaption, "Searching Lost Directories " +
                                                        std::to_string(row) + "/" +
                                                        std::to_string(rows));
    const int percent = std::min(100, static_cast<int>(std::int64_t{row} * 100 / rows));
    window.setProgress(app::item::kProgressBar, percent);
    window.setItemText(app::item::kProgressBar, std::to_string(percent) + "% Completed");
}

} // namespace

void FindLostDirectories(app::RecoveryContext& context, model::RecordTable& table,
                         std::uint32_t rootParent) {
    using namespace model::folder_col;
    app::WindowItems& window = context.window();
    const int rows = table.rowCount();
    // "self" cells never change here, so one set answers every "is the parent found".
    std::unordered_set<std::string> selves;
    selves.reserve(static_cast<std::size_t>(rows));
    for (int j = 0; j < rows; ++j)
        selves.insert(table.cell(j, Self));
    const std::string lost = std::to_string(model::kLostFolderKey);
    int pendingRow = 0; // last row whose progress was not shown yet
    for (int i = 0; i < rows; ++i) {
        const std::string parent = table.cell(i, Parent);
        if (model::parseCellNumber(parent) == rootParent)
            continue;
        if (selves.count(parent) == 0)
            table.setCell(i, Parent, lost);
        if (i > 0) {
            pendingRow = i;
            if (i % kProgressEvery == 0) {
                showProgress(window, i, rows);
                pendingRow = 0;
            }
        }
    }
    if (pendingRow > 0)
        showProgress(window, pendingRow, rows);
}

} // namespace qr::fat
